#pragma once

#include <string>

namespace vistrel {

// The freedesktop trash: a deleted file goes to files/ of the trash on its own file system, with
// a .trashinfo in info/ saying where it came from and when, so desktops can restore it.

// Moves the file at path (absolute) into the trash: the home trash when the file lives on the
// home trash's file system, else the volume's .Trash/$uid (a sticky, non-link .Trash) or
// .Trash-$uid. Raises Error with the reason when the file could not be put there; then it stays.
void MoveToTrash(const std::string &path);

// The home trash: $XDG_DATA_HOME/Trash, or ~/.local/share/Trash.
std::string HomeTrash();

// Bytes of a path as a .trashinfo's Path= line holds them: "/" and unreserved characters as they
// are, everything else as %XX.
std::string TrashInfoPath(const std::string &path);

} // namespace vistrel

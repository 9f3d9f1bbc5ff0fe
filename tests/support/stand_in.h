#pragma once

#include "tests/support/files.h"

#include <filesystem>
#include <string>

namespace vistrel::testing {

// An executable shell script in folder that stands in for a program the code starts: it writes
// each argument on a line of its own to `record`, then runs `then` (e.g. "exit 2"); it
// calls other programs by their full path, as tests give it a PATH of its own folder only.
inline std::string WriteStandIn(const TempFolder &folder, const std::string &name, const std::string &record,
                                const std::string &then = "exit 0")
{
    const std::string path = folder.file(name);
    WriteBytes(path, "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" + record + ".part'\n/bin/mv '" +
                         record + ".part' '" + record + "'\n" + then + "\n");
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    return path;
}

} // namespace vistrel::testing

#pragma once

class QWidget;

namespace vistrel {

// "Help": the program's help file in the desktop's viewer, under a name the viewer knows; nothing
// without one. Looked up when asked for: the search touches the disk, and most sessions never
// open it. A failure is shown over `window`.
void ShowHelpFile(QWidget *window);

} // namespace vistrel

#pragma once

class QMdiArea;
class QMenu;

namespace vistrel {

// Ends `menu` with one checkable item per window of `area` (the active one checked) after a
// separator; choosing an item brings that window to the front. Called each time the menu opens,
// it first removes the items it added before, so a window buried under larger ones can be found.
void ListDocumentWindows(QMenu &menu, QMdiArea &area);

} // namespace vistrel

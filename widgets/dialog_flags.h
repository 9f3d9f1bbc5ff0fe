#pragma once

#include <Qt>

namespace vistrel {

// Every dialog and message box of the program has a title and a close box only.
constexpr Qt::WindowFlags kDialogWindowFlags =
    Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;

} // namespace vistrel

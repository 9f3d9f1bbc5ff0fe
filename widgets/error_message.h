#pragma once

#include <exception>

class QWidget;

namespace vistrel {

// Shows the message of a failed operation in a message box over `window`, the window the user
// was working in (the active window when there is none); the rest of that operation has already
// been skipped by the exception.
void ShowErrorMessage(const std::exception &error, QWidget *window = nullptr);

// Runs one command of the user's (a menu command, a drop, a key): a failure ends that command
// only and is shown over `window`. False after a failure, for a caller with more to do.
template <typename Command>
bool RunCommand(QWidget *window, Command &&command)
{
    try {
        command();
        return true;
    } catch (const std::exception &error) {
        ShowErrorMessage(error, window);
        return false;
    }
}

} // namespace vistrel

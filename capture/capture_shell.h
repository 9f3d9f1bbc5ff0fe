#pragma once

#include <exception>
#include <string>

class QWidget;

namespace vistrel {

// What the capture windows need of the main window: its shared paths, showing it, opening a
// picture, pointing the browser pane, and reporting a failed operation. The main window
// implements it; tests replace it.
class CaptureShell {
public:
    virtual ~CaptureShell() = default;

    virtual std::string shotsFolder() const = 0;     // no trailing "/"
    // The main window's settings file, where the capture keeps its own choices too.
    virtual std::string settingsFile() const = 0;
    virtual std::string lastShotPath() const = 0;
    virtual std::string lastPicturePath() const = 0; // ends in "/"
    // A shot was written: LastShotPath := path, LastPicturePath := its folder.
    virtual void recordShot(const std::string &path) = 0;

    virtual void showMainWindow() = 0;
    virtual void openPicture(const std::string &path) = 0;
    // Both throw Error when the browser controls refuse the folder.
    virtual void setListDirectory(const std::string &folder) = 0;
    virtual void selectTreePath(const std::string &folder) = 0;

    // Shows the failure over `window`, the capture window the user is looking at.
    virtual void reportError(const std::exception &error, QWidget *window) = 0;
};

} // namespace vistrel

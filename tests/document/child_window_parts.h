#pragma once

#include "document/child_window.h"

#include <QAction>
#include <QMenu>
#include <QStatusBar>
#include <QToolBar>
#include <QtTest>

namespace vistrel::testing {

// The frame as a document window sees it, recording what the window asks of it.
class FakeChildHost : public TChildHost {
public:
    explicit FakeChildHost(std::string settingsFile, std::string selectedFolder = {})
        : settingsFile_(std::move(settingsFile)), selectedFolder_(std::move(selectedFolder))
    {
    }

    std::string settingsFile() const override { return settingsFile_; }
    void pictureFolderActivated(const std::string &folder) override { activatedFolder = folder; }
    void pasteAsImage() override { ++pasteRequests; }
    void showAbout() override {}
    void showDonate() override {}
    std::string selectedFolder() const override { return selectedFolder_; }
    void openDocumentWindow(const std::string &path, TChild &) override { openedPaths.push_back(path); }

    std::string activatedFolder;
    int pasteRequests = 0;
    std::vector<std::string> openedPaths;

private:
    std::string settingsFile_;
    std::string selectedFolder_;
};

// A component of the document window by its object name; the test fails at once without it.
template <typename T = QAction>
T *part(const TChild *child, const char *name)
{
    T *found = child->findChild<T *>(QString::fromLatin1(name));
    if (!found)
        qFatal("the document window has no %s", name);
    return found;
}

inline TImage *imageOf(const TChild *child) { return part<TImage>(child, "Image"); }
inline int toolBarHeight(const TChild *child) { return part<QToolBar>(child, "ToolBar1")->height(); }
inline int statusBarHeight(const TChild *child) { return part<QStatusBar>(child, "StatusBar1")->height(); }

// "+", "-" and "0" on the window's tool bar.
inline void zoomIn(const TChild *child) { part(child, "ToolButton1")->trigger(); }
inline void zoomOut(const TChild *child) { part(child, "ToolButton2")->trigger(); }
inline void resetZoom(const TChild *child) { part(child, "ToolButton3")->trigger(); }

} // namespace vistrel::testing

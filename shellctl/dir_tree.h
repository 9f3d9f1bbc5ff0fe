#pragma once

#include "shellctl/dir_tree_rules.h"
#include "shellctl/folder_scan.h"
#include "shellctl/folder_watch.h"

#include <QElapsedTimer>
#include <QIcon>
#include <QTimer>
#include <QTreeWidget>

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

class QSocketNotifier;

namespace vistrel {

// The directory tree: "/" and the mounted volumes at the top, their folders below, read from the
// file system as nodes are opened. A node is read when it is first opened; each folder shown gets
// an expand button only when it has subfolders, decided from its link count where the file system
// keeps one, else by looking inside; that probing runs on threads of its own, rows in view first,
// so a big or slow folder never stalls the window. Open nodes and the selected one are watched,
// so folders created, deleted or renamed on disk show up as they change; mounts coming and going
// are followed.
class TDirTree : public QTreeWidget {
    Q_OBJECT
public:
    explicit TDirTree(QWidget *parent = nullptr);
    ~TDirTree() override;

    // The selected folder with a trailing "/"; "?" when no folder is selected.
    std::string SelectedPath() const;
    // "" raises "Invalid Path Name"; "?" does nothing; a missing folder selects the root of the
    // current folder's volume; a path whose folders are not shown leaves the selection as it was.
    // Only the levels on the way are read.
    void setSelectedPath(const std::string &path);

    void setAcceptDropFiles(bool accept);
    bool AcceptDropFiles() const { return acceptDropFiles_; }
    // The folder (trailing "/") under a point of the tree's client area; "" outside every node.
    std::string DropTargetPath(const QPoint &point) const;

    // Rebuilds the tree from the mounted volumes.
    void ReadDrives();

    bool FastLoad() const { return fastLoad_; }
    void setFastLoad(bool fast) { fastLoad_ = fast; }
    bool ReadOnStart() const { return readOnStart_; }
    void setReadOnStart(bool read) { readOnStart_ = read; }
    std::string InitialDirectory() const { return initialDirectory_; }
    void setInitialDirectory(const std::string &folder) { initialDirectory_ = folder; }
    TDirTypes DirTypes() const { return dirTypes_; }
    void setDirTypes(const TDirTypes &types);
    bool GoBelowRecycleBin() const { return goBelowTrash_; }
    void setGoBelowRecycleBin(bool below);
    TDriveTypes DriveTypes() const { return driveTypes_; }
    void setDriveTypes(const TDriveTypes &types);

    // Asked for every folder before it is shown; returning false hides it.
    std::function<bool(const std::string &folder)> OnAddDir;
    // Where folders are read from; the file system unless a test says otherwise.
    void setFolderSource(std::shared_ptr<FolderSource> source);

    // The last folder selected on a volume (its root with "/"); the root itself before any.
    std::string LastPath(const std::string &volumeRoot) const;
    // While non-zero, selection changes are not reported.
    int ChangeLock() const { return changeLock_; }
    // Folders still waiting to be shown or probed for an expand button.
    int PendingProbes() const;
    // Open folders re-read every 2 seconds because the system allows no more watches.
    int PolledFolders() const { return static_cast<int>(polled_.size()); }
    // Follows volumes mounted and unmounted since the last look.
    void RefreshDrives();

Q_SIGNALS:
    // Only for a click on a selected folder node, so SelectedPath is then always a real path.
    void OnClick(QObject *sender);
    // The selection moved to another folder (not reported while ChangeLock is raised).
    void OnChange(QObject *sender);
    // Once per drop of files on a folder node; the tree itself leaves the files alone.
    void OnDropFiles(QObject *sender, int X, int Y, const std::string &aDropDir,
                     const std::vector<std::string> &aDropFiles, Qt::KeyboardModifiers Shift);
    // After a node's images have been set.
    void OnGetIcon(QObject *sender, QTreeWidgetItem *node);
    // The selected folder is gone from disk; the selection has moved to its nearest existing parent.
    void OnSelectedFolderGone(QObject *sender, const std::string &folder);
    // A click on a folder that no longer exists (after OnSelectedFolderGone).
    void OnClickedFolderGone(QObject *sender, const std::string &folder);

protected:
    void showEvent(QShowEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    struct Volume {
        std::string root;
        TDriveType type = drtUnknown;
        unsigned long long serial = 0; // the device
        unsigned long mountId = 0;
        QString label;
    };
    class ChangeLockGuard;
    struct Filling;

    void EnsureStarted();
    std::vector<Volume> ReadVolumes() const;
    bool AcceptsFolder(const std::string &folder, const FolderAttributes &attributes) const;
    std::vector<FolderEntry> ReadShownSubfolders(const std::string &folder) const;
    static QString VolumeText(const Volume &volume);
    QTreeWidgetItem *NewVolumeNode(const Volume &volume);
    QTreeWidgetItem *NewFolderNode(const QByteArray &name);
    void ShowExpandButton(QTreeWidgetItem *node, bool shown);
    void DeleteChildren(QTreeWidgetItem *node);
    void ReadChildren(QTreeWidgetItem *node, bool probe);
    bool AddFillBatch();
    void AskAboutChildren(Filling &filling);
    void StartProbing(Filling &filling, size_t index, QTreeWidgetItem *child);
    void FillSlice();
    void FinishFilling();
    void ForgetSubtree(QTreeWidgetItem *node);
    FolderRules Rules() const { return FolderRules{dirTypes_, goBelowTrash_}; }
    void RestartProber();
    void QueueProbe(QTreeWidgetItem *node);
    uint64_t NewTicket(QTreeWidgetItem *node);
    QTreeWidgetItem *WaitingFor(uint64_t ticket) const;
    void DropAnsweredTickets();
    void ForgetProbe(QTreeWidgetItem *node);
    void Reprobe(QTreeWidgetItem *node);
    void AskProber();
    void AskAbout(QTreeWidgetItem *node, std::vector<SubfolderProber::Question> &questions);
    void AnswersCame();
    void ApplyProbeAnswers();
    ExpandButton Decided(const SubfolderProber::Answer &answer) const;
    void NodeCollapsed(QTreeWidgetItem *node);
    void ReviewWatch(QTreeWidgetItem *node);
    void Watch(QTreeWidgetItem *node);
    void Unwatch(QTreeWidgetItem *node);
    void UnwatchAll();
    bool Watched(QTreeWidgetItem *node) const;
    void TakeWatchChanges();
    void FollowDisk();
    void RereadPolledFolders();
    QTreeWidgetItem *NearestExisting(QTreeWidgetItem *node) const;
    void Resync(QTreeWidgetItem *node);
    void RemoveVanishedChild(QTreeWidgetItem *parent, int index);
    void StartVolumeNode(QTreeWidgetItem *node, const Volume &volume);
    bool RemoveVanishedVolumes(const std::vector<Volume> &fresh);
    bool AddNewVolumes(const std::vector<Volume> &fresh);
    void RereadChangedMedium(const std::vector<Volume> &fresh);
    void MediumChanged(QTreeWidgetItem *volumeNode);
    bool VolumeUnchanged(QTreeWidgetItem *node) const;
    QTreeWidgetItem *VolumeNodeOf(QTreeWidgetItem *node) const;
    QTreeWidgetItem *TopLevelNode(const std::string &root) const;
    std::vector<std::string> VolumeRoots() const;
    std::string CurrentVolumeRoot() const;
    QTreeWidgetItem *OpenLevelsTo(const std::string &folder);
    void NodeExpanded(QTreeWidgetItem *node);
    void SelectionChanged();
    void NodeClicked(QTreeWidgetItem *node);
    void ReloadKeepingSelection();
    void SetDropTarget(QTreeWidgetItem *node);

    std::shared_ptr<FolderSource> source_;
    bool fastLoad_ = false;
    bool readOnStart_ = true;
    bool goBelowTrash_ = false;
    bool acceptDropFiles_ = false;
    bool started_ = false;
    bool selecting_ = false;
    bool destroying_ = false;
    int changeLock_ = 0;
    std::string initialDirectory_;
    TDirTypes dirTypes_{dtNormal, dtAll};
    TDriveTypes driveTypes_{drtUnknown, drtRemovable, drtFixed, drtRemote, drtCDRom, drtRamDisk};
    std::map<std::string, Volume> volumes_;
    std::map<std::string, std::string> lastPath_;
    std::unique_ptr<SubfolderProber> prober_;
    // The node waiting for each ticket's answer, from firstTicket_ on; null where none waits
    // (answered, forgotten, or a filling's child not made yet).
    std::deque<QTreeWidgetItem *> waiting_;
    uint64_t firstTicket_ = 1;
    uint64_t lastTicket_ = 0;
    int waitingNodes_ = 0;
    std::vector<uint64_t> toAsk_; // queued, in that order
    std::vector<SubfolderProber::Question> held_; // about the levels of a path being selected
    std::vector<SubfolderProber::Answer> answers_; // the last taken; its room is used again
    QTimer askTimer_;
    QTimer answersTimer_;
    QElapsedTimer sinceAnswers_;
    std::unique_ptr<Filling> filling_; // the node being filled with its children
    QTimer fillTimer_;
    TShFolderWatches watches_;
    std::unique_ptr<QSocketNotifier> watchNotifier_;
    std::map<int, QTreeWidgetItem *> watchedNodes_;
    std::map<QTreeWidgetItem *, int> nodeWatches_;
    std::set<QTreeWidgetItem *> polled_;  // open, but beyond the watch limit
    QTreeWidgetItem *lastPolled_ = nullptr;
    QTimer pollTimer_;
    std::set<QTreeWidgetItem *> changed_; // waiting for the burst of changes to settle
    QTimer settleTimer_;
    QTreeWidgetItem *dropTarget_ = nullptr;
    QSocketNotifier *mountWatch_ = nullptr;
    int mountInfo_ = -1;
    QIcon folderIcon_;
};

} // namespace vistrel

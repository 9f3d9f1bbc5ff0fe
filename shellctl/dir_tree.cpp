#include "shellctl/dir_tree.h"
#include "shellctl/file_transfer.h"

#include "platform/error.h"
#include "widgets/busy_cursor.h"

#include <QDropEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QFileIconProvider>
#include <QHeaderView>
#include <QMimeData>
#include <QScopedValueRollback>
#include <QSocketNotifier>
#include <QStorageInfo>
#include <QUrl>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <set>
#include <string_view>
#include <utility>

namespace vistrel {

namespace {

constexpr int kReadRole = Qt::UserRole;        // its real children are there
constexpr int kStaleRole = Qt::UserRole + 1;   // read, but not watched since
constexpr qint64 kFillSliceMs = 16;            // a slice of filling between two paints
constexpr size_t kFillBatch = 256;             // nodes added to a wide folder's node at a time
constexpr qint64 kAnswersGapMs = 16;           // answers are applied at most once a frame
constexpr int kSettleMs = 200;                 // a burst of changes on disk is followed once
constexpr int kPollIntervalMs = 2000;          // open folders beyond the watch limit are re-read
constexpr qint64 kPollSliceMs = 20;            // ... for at most this long at a time
constexpr size_t kMountInfoLimit = 16u << 20;  // far above any real mount table

// A volume's mount point as users write it: without the trailing "/", except "/" itself.
QString ShownRoot(const std::string &root)
{
    return QFile::decodeName(root.size() > 1 ? root.substr(0, root.size() - 1).c_str() : root.c_str());
}

bool IsRead(const QTreeWidgetItem *node) { return node->data(0, kReadRole).toBool(); }

bool IsDirectory(const std::string &path)
{
    struct stat status {};
    return !path.empty() && ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

unsigned long long DeviceOf(const std::string &path)
{
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 ? static_cast<unsigned long long>(status.st_dev) : 0;
}

// Read afresh each time; the watched descriptor only tells that something changed.
std::string ReadMountTable()
{
    std::string text;
    const int fd = ::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return text;
    char buffer[16384];
    for (ssize_t got; (got = ::read(fd, buffer, sizeof buffer)) > 0 && text.size() < kMountInfoLimit;)
        text.append(buffer, static_cast<size_t>(got));
    ::close(fd);
    return text;
}

std::string ReadSmallFile(const std::string &path)
{
    std::ifstream file(path);
    std::string text;
    std::getline(file, text);
    return text;
}

// The kernel marks removable disks (USB sticks, card readers) on the whole disk, not its partitions.
bool IsRemovableDevice(unsigned major, unsigned minor)
{
    const std::string device = "/sys/dev/block/" + std::to_string(major) + ':' + std::to_string(minor);
    std::string flag = ReadSmallFile(device + "/removable");
    if (flag.empty())
        flag = ReadSmallFile(device + "/../removable");
    return flag == "1";
}

QIcon VolumeIcon(TDriveType type)
{
    static QFileIconProvider provider;
    switch (type) {
    case drtRemovable: return QIcon::fromTheme("drive-removable-media", provider.icon(QAbstractFileIconProvider::Drive));
    case drtRemote: return QIcon::fromTheme("folder-remote", provider.icon(QAbstractFileIconProvider::Network));
    case drtCDRom: return QIcon::fromTheme("media-optical", provider.icon(QAbstractFileIconProvider::Drive));
    default: return QIcon::fromTheme("drive-harddisk", provider.icon(QAbstractFileIconProvider::Drive));
    }
}

// A closed folder, open while its node is selected.
QIcon FolderIcon()
{
    QFileIconProvider provider;
    const QIcon closed = provider.icon(QAbstractFileIconProvider::Folder);
    const QIcon open = QIcon::fromTheme("folder-open", closed);
    QIcon icon;
    for (const QSize &size : {QSize(16, 16), QSize(24, 24), QSize(32, 32)}) {
        icon.addPixmap(closed.pixmap(size), QIcon::Normal);
        icon.addPixmap(open.pixmap(size), QIcon::Selected);
    }
    return icon;
}

std::vector<std::string> DroppedFiles(const QMimeData *mime)
{
    std::vector<std::string> files;
    if (!mime)
        return files;
    for (const QUrl &url : mime->urls())
        if (url.isLocalFile())
            files.push_back(LocalFilePath(url));
    return files;
}

void ForEachInSubtree(QTreeWidgetItem *node, const std::function<void(QTreeWidgetItem *)> &visit)
{
    visit(node);
    for (int i = 0; i < node->childCount(); ++i)
        ForEachInSubtree(node->child(i), visit);
}

// Beyond Latin letters and symbols, scripts may join, reorder or stack characters.
bool NeedsShaping(const QString &name)
{
    return std::any_of(name.begin(), name.end(), [](QChar c) { return c.unicode() >= 0x0300; });
}

// The same for a name in UTF-8, where every character from U+0300 on starts with 0xCC or above.
bool NeedsShaping(const QByteArray &name)
{
    return std::any_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) >= 0xCC; });
}

// Overrides the tree's font, which skips shaping, for the names that need it.
const QFont &ShapedFont()
{
    static const QFont font = [] {
        QFont shaped;
        shaped.setStyleStrategy(QFont::PreferDefault);
        return shaped;
    }();
    return font;
}

// A node of the tree. Its name and default image live in the node, not in its item data: a wide
// folder makes thousands of nodes, and every item data entry costs allocations. For the same
// reason a folder keeps the bytes of its name only, decoded when shown, and its path is its
// parent's and its name. Text and images set later still win.
class FolderNode : public QTreeWidgetItem {
public:
    // A folder, below another node.
    FolderNode(const QByteArray &name, const QIcon &icon) : bytes_(name), icon_(icon), shaped_(NeedsShaping(name)) {}
    // A volume, shown as text, at its mount point root.
    FolderNode(const QString &text, const QByteArray &root, const QIcon &icon)
        : text_(text), bytes_(root), icon_(icon), volume_(true), shaped_(NeedsShaping(text))
    {
    }

    // With a trailing "/"; "" for a folder node out of the tree.
    std::string Path() const
    {
        if (volume_)
            return bytes_.toStdString();
        const auto *parentNode = static_cast<const FolderNode *>(parent());
        if (!parentNode)
            return {};
        std::string path = parentNode->Path();
        path.append(bytes_.constData(), static_cast<size_t>(bytes_.size())).append(1, '/');
        return path;
    }

    // A folder's name as on disk.
    const QByteArray &Name() const { return bytes_; }

    // Where the question about its subfolders stands; kept out of the item data, whose every
    // change makes the view look for the node's row.
    uint64_t ticket = 0; // of the question it waits for, queued or asked; 0 when waiting for none
    bool asked = false;  // the question went to the prober
    bool probed = false; // looked into for its expand button

    QVariant data(int column, int role) const override
    {
        QVariant stored = QTreeWidgetItem::data(column, role);
        if (stored.isValid() || column != 0)
            return stored;
        switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole: return volume_ ? text_ : QString::fromUtf8(bytes_);
        case Qt::DecorationRole: return icon_;
        case Qt::FontRole: return shaped_ ? QVariant(ShapedFont()) : stored;
        default: return stored;
        }
    }

private:
    QString text_;     // a volume's
    QByteArray bytes_; // a folder's name, a volume's root
    QIcon icon_;
    bool volume_ = false;
    bool shaped_;
};

// Changes inside are shown at once when it ends, however it ends.
class UpdateBracket {
public:
    explicit UpdateBracket(QWidget &widget) : widget_(widget) { widget_.setUpdatesEnabled(false); }
    ~UpdateBracket() { widget_.setUpdatesEnabled(true); }
    UpdateBracket(const UpdateBracket &) = delete;
    UpdateBracket &operator=(const UpdateBracket &) = delete;

private:
    QWidget &widget_;
};

// Every node of the tree is a FolderNode.
FolderNode &Folder(QTreeWidgetItem *node) { return *static_cast<FolderNode *>(node); }

std::string NodePath(const QTreeWidgetItem *node) { return node ? static_cast<const FolderNode *>(node)->Path() : std::string(); }

// A folder node's name as on disk. Children are told apart by it, which spares building the path
// of each.
std::string_view NameOf(const QTreeWidgetItem *child)
{
    const QByteArray &bytes = static_cast<const FolderNode *>(child)->Name();
    return std::string_view(bytes.constData(), static_cast<size_t>(bytes.size()));
}

// The last name of a folder ending in "/".
std::string_view LastName(const std::string &folder)
{
    const size_t start = folder.rfind('/', folder.size() - 2) + 1;
    return std::string_view(folder).substr(start, folder.size() - start - 1);
}

} // namespace

class TDirTree::ChangeLockGuard {
public:
    explicit ChangeLockGuard(TDirTree &tree) : tree_(tree) { ++tree_.changeLock_; }
    ~ChangeLockGuard() { --tree_.changeLock_; }
    ChangeLockGuard(const ChangeLockGuard &) = delete;
    ChangeLockGuard &operator=(const ChangeLockGuard &) = delete;

private:
    TDirTree &tree_;
};

// A node whose children are being added, a slice at a time. Its children are asked about before
// their nodes exist, so the prober works while the window fills.
struct TDirTree::Filling {
    QTreeWidgetItem *node;
    std::string folder;
    std::vector<FolderEntry> entries;
    size_t next = 0;
    bool probe = false;
    uint64_t firstTicket = 0;          // entry i was asked about with firstTicket + i; 0 when not asked
    std::vector<ExpandButton> answers; // told before the entry's node was made; Probe while unknown

    bool Awaits(uint64_t ticket) const
    {
        return firstTicket != 0 && ticket >= firstTicket + next && ticket < firstTicket + entries.size();
    }
};

TDirTree::TDirTree(QWidget *parent)
    : QTreeWidget(parent), source_(std::make_shared<FileSystemFolders>()), folderIcon_(FolderIcon())
{
    char current[4096];
    initialDirectory_ = ::getcwd(current, sizeof current) ? current : "/";
    setColumnCount(1);
    header()->hide();
    setSortingEnabled(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragDropMode(QAbstractItemView::NoDragDrop);
    setUniformRowHeights(true);
    // Shaping the text of every row again on each paint cost a quarter of showing a wide folder;
    // Latin names look the same without it, and the nodes of other names ask for it back.
    QFont unshaped;
    unshaped.setStyleStrategy(QFont::PreferNoShaping);
    setFont(unshaped);
    RestartProber();
    askTimer_.setSingleShot(true);
    askTimer_.setInterval(0);
    connect(&askTimer_, &QTimer::timeout, this, &TDirTree::AskProber);
    answersTimer_.setSingleShot(true);
    connect(&answersTimer_, &QTimer::timeout, this, &TDirTree::ApplyProbeAnswers);
    sinceAnswers_.start();
    fillTimer_.setSingleShot(true);
    fillTimer_.setInterval(0);
    connect(&fillTimer_, &QTimer::timeout, this, &TDirTree::FillSlice);
    if (watches_.fd() >= 0) {
        watchNotifier_ = std::make_unique<QSocketNotifier>(watches_.fd(), QSocketNotifier::Read);
        connect(watchNotifier_.get(), &QSocketNotifier::activated, this, &TDirTree::TakeWatchChanges);
    }
    settleTimer_.setSingleShot(true);
    settleTimer_.setInterval(kSettleMs);
    connect(&settleTimer_, &QTimer::timeout, this, &TDirTree::FollowDisk);
    pollTimer_.setInterval(kPollIntervalMs);
    connect(&pollTimer_, &QTimer::timeout, this, &TDirTree::RereadPolledFolders);
    connect(this, &QTreeWidget::itemExpanded, this, &TDirTree::NodeExpanded);
    connect(this, &QTreeWidget::itemCollapsed, this, &TDirTree::NodeCollapsed);
    connect(this, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem *current, QTreeWidgetItem *previous) {
        ReviewWatch(previous);
        ReviewWatch(current);
    });
    connect(this, &QTreeWidget::itemSelectionChanged, this, &TDirTree::SelectionChanged);
    connect(this, &QTreeWidget::itemClicked, this, &TDirTree::NodeClicked);
}

TDirTree::~TDirTree()
{
    destroying_ = true;
    prober_.reset();
    // The tree view reports its items going while it is destroyed, after this part is gone.
    disconnect(this, nullptr, this, nullptr);
    delete mountWatch_;
    if (mountInfo_ >= 0)
        ::close(mountInfo_);
}

void TDirTree::showEvent(QShowEvent *event)
{
    EnsureStarted();
    QTreeWidget::showEvent(event);
}

// The tree fills itself when first shown or first asked to select a folder.
void TDirTree::EnsureStarted()
{
    if (started_)
        return;
    started_ = true;
    mountInfo_ = ::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC);
    if (mountInfo_ >= 0) {
        mountWatch_ = new QSocketNotifier(mountInfo_, QSocketNotifier::Exception);
        connect(mountWatch_, &QSocketNotifier::activated, this, &TDirTree::RefreshDrives);
    }
    if (readOnStart_)
        ReadDrives();
    setSelectedPath(IsDirectory(initialDirectory_) ? initialDirectory_ : FolderPathWithSlash("."));
}

bool TDirTree::AcceptsFolder(const std::string &folder, const FolderAttributes &attributes) const
{
    return Rules().Accepts(folder, attributes) && (!OnAddDir || OnAddDir(folder));
}

// The rules alone often accept every subfolder, which spares asking about each one.
std::vector<FolderEntry> TDirTree::ReadShownSubfolders(const std::string &folder) const
{
    if (!OnAddDir && Rules().AcceptsEverySubfolderOf(folder))
        return ReadSubfolders(*source_, folder, nullptr);
    return ReadSubfolders(*source_, folder, [this](const std::string &path, const FolderAttributes &attributes) {
        return AcceptsFolder(path, attributes);
    });
}

std::vector<TDirTree::Volume> TDirTree::ReadVolumes() const
{
    std::string table = ReadMountTable();
    std::vector<MountEntry> mounts = ParseMountInfo(table);
    if (mounts.empty())
        mounts.push_back(MountEntry{"/", "", "", 0, 0, 0});
    std::vector<Volume> volumes;
    for (const MountEntry &mount : mounts) {
        if (!IsUserVolume(mount) || !IsDirectory(mount.mountPoint))
            continue;
        const TDriveType type = mount.fsType.empty() ? drtFixed
                                                     : DriveTypeOf(mount.fsType, IsRemovableDevice(mount.major, mount.minor));
        if (!driveTypes_.Contains(type) || !AcceptsFolder(mount.mountPoint, FolderAttributes{}))
            continue;
        Volume volume;
        volume.root = mount.mountPoint;
        volume.type = type;
        volume.serial = DeviceOf(mount.mountPoint);
        volume.mountId = mount.mountId;
        if (type != drtRemote)
            volume.label = QStorageInfo(QFile::decodeName(mount.mountPoint.c_str())).name();
        volumes.push_back(std::move(volume));
    }
    std::sort(volumes.begin(), volumes.end(), [](const Volume &a, const Volume &b) { return a.root < b.root; });
    return volumes;
}

// The volume's label with its mount point, as "Photos (/media/anna/Photos)"; the mount point
// alone when it has no label.
QString TDirTree::VolumeText(const Volume &volume)
{
    const QString root = ShownRoot(volume.root);
    return volume.label.isEmpty() ? root : volume.label + " (" + root + ")";
}

QTreeWidgetItem *TDirTree::NewVolumeNode(const Volume &volume)
{
    auto *node = new FolderNode(VolumeText(volume), QByteArray::fromStdString(volume.root), VolumeIcon(volume.type));
    node->setToolTip(0, ShownRoot(volume.root));
    Q_EMIT OnGetIcon(this, node);
    return node;
}

QTreeWidgetItem *TDirTree::NewFolderNode(const QByteArray &name)
{
    auto *node = new FolderNode(name, folderIcon_);
    Q_EMIT OnGetIcon(this, node);
    return node;
}

// An unread node's expand button is its indicator policy rather than a placeholder child: adding
// a child costs the view a search of the parent's rows, thousands of times over in a wide folder.
void TDirTree::ShowExpandButton(QTreeWidgetItem *node, bool shown)
{
    node->setChildIndicatorPolicy(shown ? QTreeWidgetItem::ShowIndicator : QTreeWidgetItem::DontShowIndicatorWhenChildless);
}

// Drops every reference to the node and those below it, before they are deleted.
void TDirTree::ForgetSubtree(QTreeWidgetItem *node)
{
    ForEachInSubtree(node, [this](QTreeWidgetItem *gone) {
        if (filling_ && filling_->node == gone)
            filling_.reset();
        ForgetProbe(gone);
        changed_.erase(gone);
        Unwatch(gone);
        if (gone == dropTarget_)
            dropTarget_ = nullptr;
    });
}

void TDirTree::DeleteChildren(QTreeWidgetItem *node)
{
    for (int i = 0; i < node->childCount(); ++i)
        ForgetSubtree(node->child(i));
    qDeleteAll(node->takeChildren());
}

// The folder is read at once; the nodes of a wide one are added a slice at a time.
void TDirTree::ReadChildren(QTreeWidgetItem *node, bool probe)
{
    BusyCursor busy;
    FinishFilling();
    const std::string folder = NodePath(node);
    DeleteChildren(node);
    ShowExpandButton(node, false); // from now on its children decide
    node->setData(0, kReadRole, true);
    node->setData(0, kStaleRole, false);
    std::vector<FolderEntry> entries = ReadShownSubfolders(folder);
    filling_ = std::make_unique<Filling>();
    filling_->node = node;
    filling_->folder = folder;
    filling_->entries = std::move(entries);
    filling_->probe = probe;
    if (probe)
        AskAboutChildren(*filling_);
    // One batch fills more than a screen: the node shows at once, the rest follows after the paint.
    if (AddFillBatch())
        fillTimer_.start();
}

// Adds the next batch of the filling node's children; true while more are left.
bool TDirTree::AddFillBatch()
{
    Filling &filling = *filling_;
    const size_t end = std::min(filling.entries.size(), filling.next + kFillBatch);
    const size_t first = filling.next;
    QList<QTreeWidgetItem *> children;
    children.reserve(static_cast<qsizetype>(end - first));
    for (; filling.next < end; ++filling.next)
        children.append(NewFolderNode(QByteArray::fromStdString(filling.entries[filling.next].name)));
    filling.node->addChildren(children);
    for (size_t i = first; i < end; ++i)
        StartProbing(filling, i, children[static_cast<int>(i - first)]);
    if (filling.next < filling.entries.size())
        return true;
    filling_.reset();
    return false;
}

// Asks about every child, in their order so that the first rows are answered first. An opened node
// asks at once, as the prober only takes processors the window leaves idle; the levels of a path
// being selected wait until it is shown, so that on a slow disk the prober's looks inside never
// delay reading the next level.
void TDirTree::AskAboutChildren(Filling &filling)
{
    filling.firstTicket = lastTicket_ + 1;
    filling.answers.assign(filling.entries.size(), ExpandButton::Probe);
    std::vector<SubfolderProber::Question> questions;
    questions.reserve(filling.entries.size());
    for (const FolderEntry &entry : filling.entries)
        questions.push_back({NewTicket(nullptr), filling.folder + entry.name + '/', static_cast<bool>(OnAddDir)});
    if (!selecting_) {
        prober_->Ask(std::move(questions));
        return;
    }
    std::move(questions.begin(), questions.end(), std::back_inserter(held_));
    if (!askTimer_.isActive())
        askTimer_.start();
}

// A new child takes the answer that came before it, or waits for it.
void TDirTree::StartProbing(Filling &filling, size_t index, QTreeWidgetItem *child)
{
    const bool asked = filling.firstTicket != 0;
    if (asked && filling.answers[index] != ExpandButton::Probe) {
        Folder(child).probed = true;
        ShowExpandButton(child, filling.answers[index] == ExpandButton::Shown);
    } else if (asked && filling.probe) {
        const uint64_t ticket = filling.firstTicket + index;
        waiting_[ticket - firstTicket_] = child;
        Folder(child).ticket = ticket;
        Folder(child).asked = true;
        ++waitingNodes_;
    } else if (filling.probe) {
        QueueProbe(child);
    }
}

void TDirTree::FillSlice()
{
    QElapsedTimer slice;
    slice.start();
    while (filling_ && AddFillBatch() && slice.elapsed() < kFillSliceMs) {
    }
    // Answers that came meanwhile share the layout and the paint that the new rows cost anyway.
    ApplyProbeAnswers();
    if (filling_)
        fillTimer_.start();
}

// For those that need every child of a node now: selecting a path, comparing with the disk.
void TDirTree::FinishFilling()
{
    while (filling_)
        AddFillBatch();
}

int TDirTree::PendingProbes() const
{
    const bool unshown = filling_ && filling_->probe;
    return waitingNodes_ + static_cast<int>(unshown ? filling_->entries.size() - filling_->next : 0);
}

void TDirTree::setFolderSource(std::shared_ptr<FolderSource> source)
{
    source_ = std::move(source);
    RestartProber();
}

// Questions asked of the last prober are asked again of the new one, which reads with the
// current source and rules; answers of the last one are never seen.
void TDirTree::RestartProber()
{
    prober_ = std::make_unique<SubfolderProber>(source_, Rules(), [this] {
        QMetaObject::invokeMethod(this, &TDirTree::AnswersCame, Qt::QueuedConnection);
    });
    for (uint64_t ticket = firstTicket_; ticket <= lastTicket_; ++ticket) {
        QTreeWidgetItem *node = WaitingFor(ticket);
        if (node && std::exchange(Folder(node).asked, false))
            toAsk_.push_back(ticket);
    }
    // The questions about a filling's children are asked again as their nodes come.
    held_.clear();
    if (filling_) {
        filling_->firstTicket = 0;
        filling_->answers.clear();
    }
    if (!toAsk_.empty())
        askTimer_.start();
}

// A ticket is taken as a question is queued, so that forgetting the node needs no search.
uint64_t TDirTree::NewTicket(QTreeWidgetItem *node)
{
    waiting_.push_back(node);
    return ++lastTicket_;
}

QTreeWidgetItem *TDirTree::WaitingFor(uint64_t ticket) const
{
    return ticket >= firstTicket_ && ticket <= lastTicket_ ? waiting_[ticket - firstTicket_] : nullptr;
}

// Keeps the tickets from the oldest one still awaited.
void TDirTree::DropAnsweredTickets()
{
    while (!waiting_.empty() && !waiting_.front() && !(filling_ && filling_->Awaits(firstTicket_))) {
        waiting_.pop_front();
        ++firstTicket_;
    }
}

// Questions go to the prober once the caller is done, in one batch.
void TDirTree::QueueProbe(QTreeWidgetItem *node)
{
    FolderNode &folder = Folder(node);
    if (folder.ticket != 0)
        return;
    folder.ticket = NewTicket(node);
    folder.asked = false;
    ++waitingNodes_;
    toAsk_.push_back(folder.ticket);
    if (!askTimer_.isActive()) // restarting a timer costs a trip through the event dispatcher
        askTimer_.start();
}

// Its answer, if one comes, is dropped.
void TDirTree::ForgetProbe(QTreeWidgetItem *node)
{
    FolderNode &folder = Folder(node);
    if (folder.ticket == 0)
        return;
    waiting_[folder.ticket - firstTicket_] = nullptr;
    folder.ticket = 0;
    folder.asked = false;
    --waitingNodes_;
}

// An answer on the way may tell of the folder as it was.
void TDirTree::Reprobe(QTreeWidgetItem *node)
{
    Folder(node).probed = false;
    ForgetProbe(node);
    QueueProbe(node);
}

// The rows in view are asked about first.
void TDirTree::AskProber()
{
    std::vector<SubfolderProber::Question> questions;
    const int bottom = viewport()->height();
    for (QTreeWidgetItem *row = itemAt(0, 0); row && visualItemRect(row).top() < bottom; row = itemBelow(row))
        AskAbout(row, questions);
    for (uint64_t ticket : toAsk_)
        if (QTreeWidgetItem *node = WaitingFor(ticket))
            AskAbout(node, questions);
    toAsk_.clear();
    std::move(held_.begin(), held_.end(), std::back_inserter(questions));
    held_.clear();
    prober_->Ask(std::move(questions));
}

void TDirTree::AskAbout(QTreeWidgetItem *node, std::vector<SubfolderProber::Question> &questions)
{
    FolderNode &folder = Folder(node);
    if (folder.ticket == 0 || std::exchange(folder.asked, true))
        return;
    questions.push_back({folder.ticket, NodePath(node), static_cast<bool>(OnAddDir)});
}

// Each application of answers lays out every row again: the first answers are applied at once,
// those that follow together after a pause, the last at once again.
void TDirTree::AnswersCame()
{
    const qint64 wait = kAnswersGapMs - sinceAnswers_.elapsed();
    if (wait <= 0 || prober_->Idle())
        ApplyProbeAnswers();
    else if (!answersTimer_.isActive())
        answersTimer_.start(static_cast<int>(wait));
}

void TDirTree::ApplyProbeAnswers()
{
    sinceAnswers_.restart();
    answersTimer_.stop();
    prober_->TakeAnswers(answers_);
    for (const SubfolderProber::Answer &answer : answers_) {
        QTreeWidgetItem *node = WaitingFor(answer.ticket);
        if (!node) {
            if (filling_ && filling_->Awaits(answer.ticket))
                filling_->answers[answer.ticket - filling_->firstTicket] = Decided(answer);
            continue; // else the node went, closed or changed meanwhile
        }
        ForgetProbe(node);
        Folder(node).probed = true;
        if (!IsRead(node))
            ShowExpandButton(node, Decided(answer) == ExpandButton::Shown);
    }
    DropAnsweredTickets();
}

// The owner's filter picks among the subfolders the rules accept.
ExpandButton TDirTree::Decided(const SubfolderProber::Answer &answer) const
{
    if (answer.button != ExpandButton::Probe)
        return answer.button;
    const bool accepted = std::any_of(answer.candidates.begin(), answer.candidates.end(),
                                      [this](const std::string &folder) { return !OnAddDir || OnAddDir(folder); });
    return accepted ? ExpandButton::Shown : ExpandButton::Hidden;
}

// The children of a closed node wait for it to open again before being probed.
void TDirTree::NodeCollapsed(QTreeWidgetItem *node)
{
    ReviewWatch(node);
    if (filling_ && filling_->node == node)
        filling_->probe = false;
    for (int i = 0; i < node->childCount(); ++i)
        ForgetProbe(node->child(i));
}

void TDirTree::StartVolumeNode(QTreeWidgetItem *node, const Volume &volume)
{
    const bool touchable = volume.type == drtFixed || volume.type == drtRemote || volume.type == drtRamDisk;
    if (fastLoad_ || !touchable)
        ShowExpandButton(node, true);
    else
        QueueProbe(node);
}

void TDirTree::ReadDrives()
{
    if (!started_) {
        EnsureStarted();
        if (readOnStart_)
            return;
    }
    BusyCursor busy;
    ChangeLockGuard lock(*this);
    UpdateBracket bracket(*this);
    waiting_.clear();
    firstTicket_ = lastTicket_ + 1;
    waitingNodes_ = 0;
    toAsk_.clear();
    held_.clear();
    filling_.reset();
    dropTarget_ = nullptr;
    UnwatchAll();
    clear();
    volumes_.clear();
    RestartProber(); // the rules may have changed
    for (const Volume &volume : ReadVolumes()) {
        QTreeWidgetItem *node = NewVolumeNode(volume);
        addTopLevelItem(node);
        volumes_[volume.root] = volume;
        StartVolumeNode(node, volume);
    }
    if (currentItem())
        scrollToItem(currentItem());
}

void TDirTree::RefreshDrives()
{
    if (!started_)
        return;
    {
        ChangeLockGuard lock(*this);
        const std::vector<Volume> fresh = ReadVolumes();
        const bool removed = RemoveVanishedVolumes(fresh);
        const bool added = AddNewVolumes(fresh);
        if (!removed && !added)
            RereadChangedMedium(fresh);
        viewport()->update();
    }
    Q_EMIT OnChange(this);
}

bool TDirTree::RemoveVanishedVolumes(const std::vector<Volume> &fresh)
{
    bool removed = false;
    for (int i = topLevelItemCount() - 1; i >= 0; --i) {
        const std::string root = NodePath(topLevelItem(i));
        if (std::any_of(fresh.begin(), fresh.end(), [&root](const Volume &v) { return v.root == root; }))
            continue;
        ForgetSubtree(topLevelItem(i));
        delete takeTopLevelItem(i);
        volumes_.erase(root);
        removed = true;
    }
    return removed;
}

// New volumes go among the others in the order of their mount points.
bool TDirTree::AddNewVolumes(const std::vector<Volume> &fresh)
{
    bool added = false;
    for (const Volume &volume : fresh) {
        if (volumes_.count(volume.root))
            continue;
        int index = 0;
        while (index < topLevelItemCount() && NodePath(topLevelItem(index)) < volume.root)
            ++index;
        QTreeWidgetItem *node = NewVolumeNode(volume);
        insertTopLevelItem(index, node);
        volumes_[volume.root] = volume;
        StartVolumeNode(node, volume);
        added = true;
    }
    return added;
}

void TDirTree::RereadChangedMedium(const std::vector<Volume> &fresh)
{
    for (auto volume = fresh.rbegin(); volume != fresh.rend(); ++volume)
        if (volume->serial != volumes_[volume->root].serial || volume->mountId != volumes_[volume->root].mountId) {
            MediumChanged(TopLevelNode(volume->root));
            return;
        }
}

QTreeWidgetItem *TDirTree::TopLevelNode(const std::string &root) const
{
    for (int i = 0; i < topLevelItemCount(); ++i)
        if (NodePath(topLevelItem(i)) == root)
            return topLevelItem(i);
    return nullptr;
}

QTreeWidgetItem *TDirTree::VolumeNodeOf(QTreeWidgetItem *node) const
{
    while (node && node->parent())
        node = node->parent();
    return node;
}

std::vector<std::string> TDirTree::VolumeRoots() const
{
    std::vector<std::string> roots;
    for (int i = 0; i < topLevelItemCount(); ++i)
        roots.push_back(NodePath(topLevelItem(i)));
    return roots;
}

std::string TDirTree::CurrentVolumeRoot() const
{
    const std::string root = VolumeRootOf(FolderPathWithSlash("."), VolumeRoots());
    return root.empty() ? std::string("/") : root;
}

bool TDirTree::VolumeUnchanged(QTreeWidgetItem *node) const
{
    const std::string root = NodePath(VolumeNodeOf(node));
    const auto volume = volumes_.find(root);
    return volume == volumes_.end() || DeviceOf(root) == volume->second.serial;
}

// Another medium (or another file system mounted in its place): the volume is read afresh.
void TDirTree::MediumChanged(QTreeWidgetItem *volumeNode)
{
    if (!volumeNode)
        return;
    ChangeLockGuard lock(*this);
    const std::string root = NodePath(volumeNode);
    DeleteChildren(volumeNode);
    volumeNode->setData(0, kReadRole, false);
    for (const Volume &volume : ReadVolumes())
        if (volume.root == root) {
            volumes_[root] = volume;
            volumeNode->setText(0, VolumeText(volume));
        }
    Reprobe(volumeNode);
}

std::string TDirTree::SelectedPath() const
{
    const QList<QTreeWidgetItem *> selected = selectedItems();
    const std::string path = selected.isEmpty() ? std::string() : NodePath(selected.first());
    return path.empty() ? std::string("?") : path;
}

void TDirTree::setSelectedPath(const std::string &path)
{
    if (path.empty())
        throw Error("Invalid Path Name");
    if (path == "?")
        return;
    EnsureStarted();
    std::string folder = FolderPathWithSlash(path);
    struct stat status {};
    if (::stat(folder.size() > 1 ? folder.substr(0, folder.size() - 1).c_str() : folder.c_str(), &status) != 0)
        folder = CurrentVolumeRoot();
    BusyCursor busy;
    if (QTreeWidgetItem *node = OpenLevelsTo(folder)) {
        setCurrentItem(node);
        scrollToItem(node);
    }
}

// Finds the folder's node level by level from its volume, reading each level on the way (its
// children are probed later, in slices), and opens its ancestors; null when a level is not shown.
QTreeWidgetItem *TDirTree::OpenLevelsTo(const std::string &folder)
{
    UpdateBracket bracket(*this);
    const QScopedValueRollback<bool> selecting(selecting_, true);
    QTreeWidgetItem *node = nullptr;
    for (const std::string &level : PathLevels(VolumeRootOf(folder, VolumeRoots()), folder)) {
        QTreeWidgetItem *found = node ? nullptr : TopLevelNode(level);
        for (int i = 0; node && i < node->childCount() && !found; ++i)
            if (NameOf(node->child(i)) == LastName(level))
                found = node->child(i);
        node = found;
        if (!node)
            return nullptr;
        if (!IsRead(node)) {
            ReadChildren(node, true); // the folders beside the way get their expand buttons later
            FinishFilling();
        }
    }
    for (QTreeWidgetItem *ancestor = node ? node->parent() : nullptr; ancestor; ancestor = ancestor->parent())
        ancestor->setExpanded(true);
    return node;
}

void TDirTree::NodeExpanded(QTreeWidgetItem *node)
{
    if (filling_ && filling_->node == node && !selecting_)
        filling_->probe = true;
    if (!IsRead(node)) {
        ReadChildren(node, !selecting_);
        ReviewWatch(node);
        return;
    }
    // Closed, it was not watched: what it shows may have changed meanwhile.
    if (node->data(0, kStaleRole).toBool() && !Watched(node))
        Resync(node);
    ReviewWatch(node);
    if (selecting_)
        return;
    for (int i = 0; i < node->childCount(); ++i) {
        QTreeWidgetItem *child = node->child(i);
        if (!IsRead(child) && !Folder(child).probed)
            QueueProbe(child);
    }
}

void TDirTree::SelectionChanged()
{
    if (destroying_ || changeLock_ > 0)
        return;
    const std::string path = SelectedPath();
    if (path != "?") {
        QTreeWidgetItem *node = selectedItems().first();
        if (!VolumeUnchanged(node))
            MediumChanged(VolumeNodeOf(node));
        lastPath_[VolumeRootOf(path, VolumeRoots())] = path;
    }
    Q_EMIT OnChange(this);
}

void TDirTree::NodeClicked(QTreeWidgetItem *node)
{
    if (!node || !node->isSelected() || NodePath(node).empty())
        return;
    if (!IsDirectory(NodePath(node)) && node->parent()) {
        // Deleted or renamed before the tree heard of it: the tree catches up and says so.
        const std::string gone = NodePath(node);
        Resync(NearestExisting(node->parent()));
        Q_EMIT OnClickedFolderGone(this, gone);
        Q_EMIT OnClick(this);
        return;
    }
    if (VolumeUnchanged(node)) {
        Q_EMIT OnClick(this);
        return;
    }
    MediumChanged(VolumeNodeOf(node));
    Q_EMIT OnChange(this);
}

std::string TDirTree::LastPath(const std::string &volumeRoot) const
{
    const auto last = lastPath_.find(volumeRoot);
    return last == lastPath_.end() ? volumeRoot : last->second;
}

void TDirTree::setDirTypes(const TDirTypes &types)
{
    if (types == dirTypes_)
        return;
    dirTypes_ = types;
    ReloadKeepingSelection();
}

void TDirTree::setGoBelowRecycleBin(bool below)
{
    if (below == goBelowTrash_)
        return;
    goBelowTrash_ = below;
    ReloadKeepingSelection();
}

void TDirTree::setDriveTypes(const TDriveTypes &types)
{
    driveTypes_ = types;
    RefreshDrives();
}

void TDirTree::ReloadKeepingSelection()
{
    if (!started_)
        return;
    const std::string remembered = SelectedPath();
    ReadDrives();
    if (remembered != "?")
        setSelectedPath(remembered);
    if (SelectedPath() == "?" && remembered != "?")
        if (QTreeWidgetItem *volume = TopLevelNode(VolumeRootOf(remembered, VolumeRoots())))
            setCurrentItem(volume);
    if (SelectedPath() != "?" || topLevelItemCount() == 0)
        return;
    QTreeWidgetItem *first = topLevelItem(0);
    const std::string last = LastPath(NodePath(first));
    setSelectedPath(last);
    if (SelectedPath() != last) {
        setCurrentItem(first);
        Q_EMIT OnChange(this);
    }
}

void TDirTree::setAcceptDropFiles(bool accept)
{
    acceptDropFiles_ = accept;
    setAcceptDrops(accept);
    viewport()->setAcceptDrops(accept);
}

std::string TDirTree::DropTargetPath(const QPoint &point) const { return NodePath(itemAt(point)); }

void TDirTree::SetDropTarget(QTreeWidgetItem *node)
{
    if (node == dropTarget_)
        return;
    if (dropTarget_)
        dropTarget_->setBackground(0, QBrush());
    dropTarget_ = node;
    if (dropTarget_)
        dropTarget_->setBackground(0, palette().brush(QPalette::Highlight).color().lighter(160));
}

void TDirTree::dragEnterEvent(QDragEnterEvent *event)
{
    if (acceptDropFiles_ && !DroppedFiles(event->mimeData()).empty())
        event->acceptProposedAction();
    else
        event->ignore();
}

void TDirTree::dragMoveEvent(QDragMoveEvent *event)
{
    QTreeWidgetItem *node = itemAt(event->position().toPoint());
    const bool onFolder = acceptDropFiles_ && !NodePath(node).empty();
    SetDropTarget(onFolder ? node : nullptr);
    if (onFolder)
        event->acceptProposedAction();
    else
        event->ignore();
}

void TDirTree::dragLeaveEvent(QDragLeaveEvent *event)
{
    SetDropTarget(nullptr);
    event->accept();
}

// The pane copies or moves the files later, on its own; the source is told they were copied, so
// that none deletes its original before the pane has moved it.
void TDirTree::dropEvent(QDropEvent *event)
{
    SetDropTarget(nullptr);
    const QPoint point = event->position().toPoint();
    const std::string target = DropTargetPath(point);
    const std::vector<std::string> files = DroppedFiles(event->mimeData());
    if (!acceptDropFiles_ || target.empty() || files.empty()) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    Q_EMIT OnDropFiles(this, point.x(), point.y(), target, files, event->modifiers());
}

// Open nodes with their children read, and the selected node, follow the disk.
void TDirTree::ReviewWatch(QTreeWidgetItem *node)
{
    if (!node || destroying_ || NodePath(node).empty())
        return;
    if ((node->isExpanded() && IsRead(node)) || node == currentItem())
        Watch(node);
    else
        Unwatch(node);
}

bool TDirTree::Watched(QTreeWidgetItem *node) const { return nodeWatches_.count(node) || polled_.count(node); }

void TDirTree::Watch(QTreeWidgetItem *node)
{
    if (Watched(node))
        return;
    const int watch = watches_.Add(NodePath(node));
    if (watch >= 0) {
        // Watching the same folder again hands back its existing watch.
        if (QTreeWidgetItem *before = watchedNodes_.count(watch) ? watchedNodes_[watch] : nullptr)
            nodeWatches_.erase(before);
        watchedNodes_[watch] = node;
        nodeWatches_[node] = watch;
        return;
    }
    polled_.insert(node);
    if (!pollTimer_.isActive())
        pollTimer_.start();
}

void TDirTree::Unwatch(QTreeWidgetItem *node)
{
    const auto watched = nodeWatches_.find(node);
    bool wasWatched = false;
    if (watched != nodeWatches_.end()) {
        watches_.Remove(watched->second);
        watchedNodes_.erase(watched->second);
        nodeWatches_.erase(watched);
        wasWatched = true;
    }
    if (polled_.erase(node)) {
        wasWatched = true;
        if (node == lastPolled_)
            lastPolled_ = nullptr;
    }
    if (wasWatched && IsRead(node))
        node->setData(0, kStaleRole, true);
    if (polled_.empty())
        pollTimer_.stop();
}

void TDirTree::UnwatchAll()
{
    for (const auto &watched : nodeWatches_)
        watches_.Remove(watched.second);
    watchedNodes_.clear();
    nodeWatches_.clear();
    polled_.clear();
    lastPolled_ = nullptr;
    pollTimer_.stop();
    changed_.clear();
}

// Changes are collected until the burst settles, then each changed folder is read once.
void TDirTree::TakeWatchChanges()
{
    bool overflowed = false;
    for (const TShFolderWatches::Change &change : watches_.ReadChanges(overflowed)) {
        const auto watched = watchedNodes_.find(change.watch);
        if (watched == watchedNodes_.end())
            continue;
        QTreeWidgetItem *node = watched->second;
        changed_.insert(node);
        if (change.gone) { // the watch has ended; a folder back in its place is watched afresh
            watches_.Remove(change.watch);
            watchedNodes_.erase(watched);
            nodeWatches_.erase(node);
        }
    }
    if (overflowed)
        for (const auto &watched : nodeWatches_)
            changed_.insert(watched.first);
    if (!changed_.empty() && !settleTimer_.isActive())
        settleTimer_.start();
}

void TDirTree::FollowDisk()
{
    while (!changed_.empty()) {
        QTreeWidgetItem *node = *changed_.begin();
        changed_.erase(changed_.begin());
        Resync(NearestExisting(node));
    }
}

// A slice at a time, taking up where the last one stopped, so that many open folders beyond the
// limit never stall the window.
void TDirTree::RereadPolledFolders()
{
    QElapsedTimer slice;
    slice.start();
    const size_t count = polled_.size();
    for (size_t done = 0; done < count && !polled_.empty() && slice.elapsed() < kPollSliceMs; ++done) {
        auto next = lastPolled_ ? polled_.upper_bound(lastPolled_) : polled_.begin();
        if (next == polled_.end())
            next = polled_.begin();
        lastPolled_ = *next;
        Resync(NearestExisting(lastPolled_));
    }
}

QTreeWidgetItem *TDirTree::NearestExisting(QTreeWidgetItem *node) const
{
    while (node->parent() && !IsDirectory(NodePath(node)))
        node = node->parent();
    return node;
}

// Brings a node's children in line with its folder on disk: the nodes of vanished folders go,
// new folders come in at their place in the order; the others stay as they are, open or not.
void TDirTree::Resync(QTreeWidgetItem *node)
{
    if (!IsRead(node)) { // its expand button may be out of date, also an answer on the way
        DeleteChildren(node);
        Reprobe(node);
        ReviewWatch(node);
        return;
    }
    FinishFilling();
    const std::string folder = NodePath(node);
    const std::vector<FolderEntry> entries = ReadShownSubfolders(folder);
    std::set<std::string_view> present;
    for (const FolderEntry &entry : entries)
        present.insert(entry.name);
    for (int i = node->childCount() - 1; i >= 0; --i)
        if (!present.count(NameOf(node->child(i))))
            RemoveVanishedChild(node, i);
    // What stayed is in the order of entries, so one walk places the new ones.
    int index = 0;
    for (const FolderEntry &entry : entries) {
        if (index < node->childCount() && NameOf(node->child(index)) == entry.name) {
            ++index;
            continue;
        }
        QTreeWidgetItem *child = NewFolderNode(QByteArray::fromStdString(entry.name));
        node->insertChild(index++, child);
        QueueProbe(child);
    }
    node->setData(0, kStaleRole, false);
    ReviewWatch(node);
}

// A selection inside goes to the parent first, so that it never lands on a neighbour.
void TDirTree::RemoveVanishedChild(QTreeWidgetItem *parent, int index)
{
    QTreeWidgetItem *child = parent->child(index);
    QTreeWidgetItem *selected = currentItem();
    bool selectedInside = false;
    ForEachInSubtree(child, [&](QTreeWidgetItem *below) { selectedInside |= below == selected; });
    const std::string gone = NodePath(selected);
    if (selectedInside)
        setCurrentItem(parent);
    ForgetSubtree(child);
    delete parent->takeChild(index);
    if (selectedInside)
        Q_EMIT OnSelectedFolderGone(this, gone);
}

} // namespace vistrel

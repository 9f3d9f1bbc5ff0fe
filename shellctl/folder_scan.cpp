#include "shellctl/folder_scan.h"

#include "platform/file_io.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <condition_variable>
#include <deque>
#include <exception>
#include <numeric>
#include <thread>
#include <utility>

namespace vistrel {

namespace {

// The entry type when the directory tells it; links and unknown types are followed with a stat,
// so a link to a folder counts as a folder.
bool IsFolderEntry(int folderFd, const dirent &entry)
{
    if (entry.d_type == DT_DIR)
        return true;
    if (entry.d_type != DT_LNK && entry.d_type != DT_UNKNOWN)
        return false;
    struct stat status {};
    return ::fstatat(folderFd, entry.d_name, &status, 0) == 0 && S_ISDIR(status.st_mode);
}

// Without regard to case, and names differing only in case in byte order. Each name is lowered
// once, and indices are sorted rather than the entries: a folder of thousands would otherwise
// lower every name again at each comparison and move its strings around many times.
void SortByName(std::vector<FolderEntry> &entries)
{
    std::vector<std::string> keys;
    keys.reserve(entries.size());
    for (const FolderEntry &entry : entries) {
        std::string lower = entry.name;
        for (char &c : lower)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        keys.push_back(std::move(lower));
    }
    std::vector<uint32_t> order(entries.size());
    std::iota(order.begin(), order.end(), 0u);
    std::sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
        const int byKey = keys[a].compare(keys[b]);
        return byKey != 0 ? byKey < 0 : entries[a].name < entries[b].name;
    });
    std::vector<FolderEntry> sorted;
    sorted.reserve(entries.size());
    for (const uint32_t index : order)
        sorted.push_back(std::move(entries[index]));
    entries = std::move(sorted);
}

std::string ChildFolder(const std::string &folder, const std::string &name) { return folder + name + '/'; }

bool CountsSubfoldersInLinks(unsigned long fsType)
{
    switch (fsType) {
    case EXT4_SUPER_MAGIC: // also ext2 and ext3
    case XFS_SUPER_MAGIC:
    case TMPFS_MAGIC:
    case RAMFS_MAGIC:
    case F2FS_SUPER_MAGIC:
        return true;
    default:
        return false;
    }
}

} // namespace

void FileSystemFolders::ScanSubfolders(const std::string &folder,
                                       const std::function<bool(const FolderEntry &)> &visit)
{
    FolderEntries entries(folder);
    while (const dirent *entry = entries.next()) {
        if (!IsFolderEntry(entries.fd(), *entry))
            continue;
        FolderEntry found;
        found.name = entry->d_name;
        found.attributes.hidden = entry->d_name[0] == '.';
        if (!visit(found))
            return;
    }
}

FolderLinks FolderSource::LinksOf(const std::string &) { return {}; }

FolderLinks FileSystemFolders::LinksOf(const std::string &folder)
{
    struct stat status {};
    if (::stat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode))
        return {};
    const auto device = static_cast<unsigned long long>(status.st_dev);
    const std::lock_guard<std::mutex> lock(lastMutex_);
    if (device != lastDevice_ || lastFsType_ == 0) {
        struct statfs fileSystem {};
        if (::statfs(folder.c_str(), &fileSystem) != 0)
            return {};
        lastDevice_ = device;
        lastFsType_ = static_cast<unsigned long>(fileSystem.f_type);
    }
    return {lastFsType_, static_cast<unsigned long>(status.st_nlink)};
}

ExpandButton ExpandButtonFromLinks(const FolderLinks &links, bool showsEverySubfolder)
{
    // ext4 reports 1 for a folder with more subfolders than its counter holds.
    if (!CountsSubfoldersInLinks(links.fsType) || links.links < 2)
        return ExpandButton::Probe;
    if (links.links == 2)
        return ExpandButton::Hidden;
    return showsEverySubfolder ? ExpandButton::Shown : ExpandButton::Probe;
}

std::vector<FolderEntry> ReadSubfolders(FolderSource &source, const std::string &folder, const FolderFilter &accept)
{
    std::vector<FolderEntry> entries;
    source.ScanSubfolders(folder, [&](const FolderEntry &entry) {
        if (accept(ChildFolder(folder, entry.name), entry.attributes))
            entries.push_back(entry);
        return true;
    });
    SortByName(entries);
    return entries;
}

bool HasSubfolder(FolderSource &source, const std::string &folder, const FolderFilter &accept)
{
    bool found = false;
    source.ScanSubfolders(folder, [&](const FolderEntry &entry) {
        found = accept(ChildFolder(folder, entry.name), entry.attributes);
        return !found;
    });
    return found;
}

// A stat costs the kernel a few microseconds: two threads decide a wide folder's expand buttons in
// about half the time where a processor is free. They yield to the window, which on two
// processors would otherwise wait for one between its slices of work.
constexpr int kProberThreads = 2;
constexpr int kProberNice = 10;

struct SubfolderProber::Shared {
    std::shared_ptr<FolderSource> source;
    FolderRules rules;
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<Question> questions;
    std::vector<Answer> answers;
    std::function<void()> answersWaiting;
    int inHand = 0; // questions being answered
    std::atomic<bool> stopping{false};
};

SubfolderProber::SubfolderProber(std::shared_ptr<FolderSource> source, const FolderRules &rules,
                                 std::function<void()> answersWaiting)
    : shared_(std::make_shared<Shared>())
{
    shared_->source = std::move(source);
    shared_->rules = rules;
    shared_->answersWaiting = std::move(answersWaiting);
    for (int i = 0; i < kProberThreads; ++i)
        std::thread([shared = shared_] { Run(shared); }).detach();
}

SubfolderProber::~SubfolderProber()
{
    {
        const std::lock_guard<std::mutex> lock(shared_->mutex);
        shared_->stopping = true;
        shared_->questions.clear();
        shared_->answersWaiting = nullptr;
    }
    shared_->wake.notify_all();
}

void SubfolderProber::Ask(std::vector<Question> questions)
{
    {
        const std::lock_guard<std::mutex> lock(shared_->mutex);
        std::move(questions.begin(), questions.end(), std::back_inserter(shared_->questions));
    }
    shared_->wake.notify_all();
}

bool SubfolderProber::Idle() const
{
    const std::lock_guard<std::mutex> lock(shared_->mutex);
    return shared_->questions.empty() && shared_->inHand == 0;
}

std::vector<SubfolderProber::Answer> SubfolderProber::TakeAnswers()
{
    const std::lock_guard<std::mutex> lock(shared_->mutex);
    return std::exchange(shared_->answers, {});
}

void SubfolderProber::Run(const std::shared_ptr<Shared> &shared)
{
    ::setpriority(PRIO_PROCESS, 0, kProberNice); // Linux gives each thread its own nice value
    std::unique_lock<std::mutex> lock(shared->mutex);
    for (;;) {
        shared->wake.wait(lock, [&] { return shared->stopping || !shared->questions.empty(); });
        if (shared->stopping)
            return;
        const Question question = std::move(shared->questions.front());
        shared->questions.pop_front();
        ++shared->inHand;
        lock.unlock();
        // A folder that cannot be read shows no expand button, as when reading it finds nothing.
        Answer answer{question.ticket, ExpandButton::Hidden, {}};
        try {
            answer = Probe(*shared, question);
        } catch (const std::exception &) {
        }
        lock.lock();
        if (shared->stopping)
            return;
        --shared->inHand;
        shared->answers.push_back(std::move(answer));
        if (shared->answers.size() == 1 || shared->questions.empty())
            shared->answersWaiting();
    }
}

// The link count answers without opening the folder where the file system keeps it.
SubfolderProber::Answer SubfolderProber::Probe(Shared &shared, const Question &question)
{
    const std::string &folder = question.folder;
    const bool everyOneShown = !question.ownerFilters && shared.rules.AcceptsEverySubfolderOf(folder);
    Answer answer{question.ticket, ExpandButtonFromLinks(shared.source->LinksOf(folder), everyOneShown), {}};
    if (answer.button != ExpandButton::Probe)
        return answer;
    const auto accepted = [&shared](const std::string &path, const FolderAttributes &attributes) {
        return shared.rules.Accepts(path, attributes);
    };
    if (!question.ownerFilters) {
        answer.button = HasSubfolder(*shared.source, folder, accepted) ? ExpandButton::Shown : ExpandButton::Hidden;
        return answer;
    }
    // The owner asks its filter about each subfolder the rules accept, until one passes.
    shared.source->ScanSubfolders(folder, [&](const FolderEntry &entry) {
        std::string path = ChildFolder(folder, entry.name);
        if (accepted(path, entry.attributes))
            answer.candidates.push_back(std::move(path));
        return !shared.stopping;
    });
    if (answer.candidates.empty())
        answer.button = ExpandButton::Hidden;
    return answer;
}

} // namespace vistrel

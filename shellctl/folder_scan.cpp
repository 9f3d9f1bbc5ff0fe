#include "shellctl/folder_scan.h"

#include "platform/file_io.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <pthread.h>
#include <sched.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
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

// As tolower in the C and UTF-8 locales, which leave bytes above 127 alone, without a call per byte.
char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The first 16 bytes of a name, lowered, held in two numbers that compare as the bytes do: most
// names differ there, and sorting thousands of them then rarely looks at the names themselves.
struct NameKey {
    uint64_t first;
    uint64_t second;
    uint32_t index;
};

uint64_t LoweredWord(const std::string &name, size_t from)
{
    uint64_t word = 0;
    for (size_t i = from; i < from + 8; ++i)
        word = word << 8 | (i < name.size() ? static_cast<unsigned char>(AsciiLower(name[i])) : 0u);
    return word;
}

// For names whose first 16 bytes are alike without regard to case.
bool ComesFirstAfterTheKey(const std::string &a, const std::string &b)
{
    for (size_t i = 16; i < std::min(a.size(), b.size()); ++i) {
        const auto x = static_cast<unsigned char>(AsciiLower(a[i]));
        const auto y = static_cast<unsigned char>(AsciiLower(b[i]));
        if (x != y)
            return x < y;
    }
    return a.size() != b.size() ? a.size() < b.size() : a < b;
}

// Without regard to case, and names differing only in case in byte order.
void SortByName(std::vector<FolderEntry> &entries)
{
    std::vector<NameKey> keys(entries.size());
    for (uint32_t i = 0; i < entries.size(); ++i)
        keys[i] = {LoweredWord(entries[i].name, 0), LoweredWord(entries[i].name, 8), i};
    std::sort(keys.begin(), keys.end(), [&](const NameKey &a, const NameKey &b) {
        if (a.first != b.first)
            return a.first < b.first;
        if (a.second != b.second)
            return a.second < b.second;
        return ComesFirstAfterTheKey(entries[a.index].name, entries[b.index].name);
    });
    std::vector<FolderEntry> sorted;
    sorted.reserve(entries.size());
    for (const NameKey &key : keys)
        sorted.push_back(std::move(entries[key.index]));
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

std::vector<FolderLinks> FolderSource::LinksOf(const std::vector<std::string> &folders)
{
    return std::vector<FolderLinks>(folders.size());
}

namespace {

// Where folder's name starts, "folder" ending in "/"; npos for "/" itself.
size_t NameStart(const std::string &folder)
{
    if (folder.size() < 2)
        return std::string::npos;
    const size_t slash = folder.rfind('/', folder.size() - 2);
    return slash == std::string::npos ? std::string::npos : slash + 1;
}

bool SameParent(const std::string &a, size_t aName, const std::string &b)
{
    return NameStart(b) == aName && b.compare(0, aName, a, 0, aName) == 0;
}

FolderLinks LinksFromStatus(const struct stat &status, unsigned long fsType)
{
    return S_ISDIR(status.st_mode) ? FolderLinks{fsType, static_cast<unsigned long>(status.st_nlink)} : FolderLinks{};
}

FolderLinks LinksOfPath(const std::string &folder)
{
    struct stat status {};
    struct statfs fileSystem {};
    if (::stat(folder.c_str(), &status) != 0 || ::statfs(folder.c_str(), &fileSystem) != 0)
        return {};
    return LinksFromStatus(status, static_cast<unsigned long>(fileSystem.f_type));
}

// The folders [first, end) share the parent that the first one's name starts after. Each is read
// relative to the parent, which spares the kernel walking the whole path again every time.
void ReadLinksBeside(const std::vector<std::string> &folders, size_t first, size_t end, std::vector<FolderLinks> &links)
{
    const size_t nameStart = NameStart(folders[first]);
    const FileDescriptor parent(::open(folders[first].substr(0, nameStart).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    struct stat parentStatus {};
    struct statfs fileSystem {};
    if (!parent.valid() || ::fstat(parent.get(), &parentStatus) != 0 || ::fstatfs(parent.get(), &fileSystem) != 0)
        return;
    std::string name;
    for (size_t i = first; i < end; ++i) {
        name.assign(folders[i], nameStart, folders[i].size() - nameStart - 1);
        struct stat status {};
        if (::fstatat(parent.get(), name.c_str(), &status, 0) != 0)
            continue;
        // A folder mounted here lives on a file system of its own.
        links[i] = status.st_dev == parentStatus.st_dev
                       ? LinksFromStatus(status, static_cast<unsigned long>(fileSystem.f_type))
                       : LinksOfPath(folders[i]);
    }
}

} // namespace

std::vector<FolderLinks> FileSystemFolders::LinksOf(const std::vector<std::string> &folders)
{
    std::vector<FolderLinks> links(folders.size());
    for (size_t first = 0; first < folders.size();) {
        const size_t nameStart = NameStart(folders[first]);
        if (nameStart == std::string::npos || folders[first].back() != '/') {
            links[first] = LinksOfPath(folders[first]);
            ++first;
            continue;
        }
        size_t end = first + 1;
        while (end < folders.size() && SameParent(folders[first], nameStart, folders[end]))
            ++end;
        ReadLinksBeside(folders, first, end, links);
        first = end;
    }
    return links;
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
        if (!accept || accept(ChildFolder(folder, entry.name), entry.attributes))
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
// about half the time where a processor is free. They run only on processors nothing else wants
// (SCHED_IDLE), so they can start while the window still paints: a nice value alone let them
// hold a processor the window or the display server was waiting for.
constexpr int kProberThreads = 2;
// Questions taken at a time: the threads meet on the lock less often, and neighbours are read
// relative to their parent opened once.
constexpr size_t kProberChunk = 32;

struct SubfolderProber::Shared {
    std::shared_ptr<FolderSource> source;
    FolderRules rules;
    std::mutex mutex;
    std::condition_variable wake;
    // Those from `next` on are not taken yet. Taking one moves it out and leaves its place, so
    // that nothing is freed while the lock is held: a thread preempted there would hold up the
    // others and the window.
    std::vector<Question> questions;
    size_t next = 0;
    std::vector<Answer> answers; // room for every outstanding answer is kept by the asker
    std::function<void()> answersWaiting;
    size_t inHand = 0; // questions being answered
    std::atomic<bool> stopping{false};

    size_t Outstanding() const { return questions.size() - next + inHand; }
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
        shared_->next = 0;
        shared_->answersWaiting = nullptr;
    }
    shared_->wake.notify_all();
}

void SubfolderProber::Ask(std::vector<Question> questions)
{
    {
        const std::lock_guard<std::mutex> lock(shared_->mutex);
        std::vector<Question> &queue = shared_->questions;
        if (shared_->next * 2 >= queue.size()) { // the places of those taken go
            queue.erase(queue.begin(), queue.begin() + static_cast<std::ptrdiff_t>(shared_->next));
            shared_->next = 0;
        }
        std::move(questions.begin(), questions.end(), std::back_inserter(queue));
        shared_->answers.reserve(shared_->answers.size() + shared_->Outstanding());
    }
    shared_->wake.notify_all();
}

bool SubfolderProber::Idle() const
{
    const std::lock_guard<std::mutex> lock(shared_->mutex);
    return shared_->Outstanding() == 0;
}

void SubfolderProber::TakeAnswers(std::vector<Answer> &answers)
{
    answers.clear();
    const std::lock_guard<std::mutex> lock(shared_->mutex);
    answers.swap(shared_->answers);
    shared_->answers.reserve(shared_->Outstanding());
}

void SubfolderProber::Run(const std::shared_ptr<Shared> &shared)
{
    const sched_param none{};
    ::pthread_setschedparam(::pthread_self(), SCHED_IDLE, &none);
    std::vector<Question> chunk;
    chunk.reserve(kProberChunk);
    std::unique_lock<std::mutex> lock(shared->mutex);
    for (;;) {
        shared->wake.wait(lock, [&] { return shared->stopping || shared->next < shared->questions.size(); });
        if (shared->stopping)
            return;
        const auto first = shared->questions.begin() + static_cast<std::ptrdiff_t>(shared->next);
        const size_t inChunk = std::min(kProberChunk, shared->questions.size() - shared->next);
        chunk.assign(std::make_move_iterator(first), std::make_move_iterator(first + static_cast<std::ptrdiff_t>(inChunk)));
        shared->next += inChunk;
        shared->inHand += inChunk;
        lock.unlock();
        std::vector<Answer> answers = ProbeAll(*shared, chunk);
        chunk.clear();
        lock.lock();
        if (shared->stopping)
            return;
        shared->inHand -= inChunk;
        const bool noneWaited = shared->answers.empty();
        std::move(answers.begin(), answers.end(), std::back_inserter(shared->answers));
        if (noneWaited || shared->next == shared->questions.size())
            shared->answersWaiting();
    }
}

// A folder that cannot be read shows no expand button, as when reading it finds nothing.
std::vector<SubfolderProber::Answer> SubfolderProber::ProbeAll(Shared &shared, std::vector<Question> &questions)
{
    std::vector<std::string> folders;
    folders.reserve(questions.size());
    for (Question &question : questions)
        folders.push_back(std::move(question.folder));
    std::vector<FolderLinks> links(questions.size());
    try {
        links = shared.source->LinksOf(folders);
    } catch (const std::exception &) {
    }
    std::vector<Answer> answers;
    answers.reserve(questions.size());
    for (size_t i = 0; i < questions.size() && !shared.stopping; ++i) {
        Answer answer{questions[i].ticket, ExpandButton::Hidden, {}};
        try {
            answer = Probe(shared, questions[i], folders[i], i < links.size() ? links[i] : FolderLinks{});
        } catch (const std::exception &) {
        }
        answers.push_back(std::move(answer));
    }
    return answers;
}

// The link count answers without opening the folder where the file system keeps it.
SubfolderProber::Answer SubfolderProber::Probe(Shared &shared, const Question &question, const std::string &folder,
                                               const FolderLinks &links)
{
    const bool everyOneShown = !question.ownerFilters && shared.rules.AcceptsEverySubfolderOf(folder);
    Answer answer{question.ticket, ExpandButtonFromLinks(links, everyOneShown), {}};
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

#include "shellctl/trash.h"

#include "platform/error.h"
#include "platform/file_io.h"
#include "platform/file_names.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <ctime>

namespace vistrel {

namespace {

constexpr int kMaxNameTries = 10000; // far more copies of one name than any trash holds

struct TrashPlace {
    std::string folder;     // the trash itself, ending in "/"
    std::string pathPrefix; // what Path= lines are relative to; "" for absolute paths
};

std::string ParentOf(const std::string &path)
{
    const size_t slash = path.rfind('/');
    return slash == 0 || slash == std::string::npos ? std::string("/") : path.substr(0, slash);
}

std::string BaseNameOf(const std::string &path) { return path.substr(path.rfind('/') + 1); }

bool StatOf(const std::string &path, struct stat &status, bool followLinks = true)
{
    return (followLinks ? ::stat(path.c_str(), &status) : ::lstat(path.c_str(), &status)) == 0;
}

// Each missing folder on the way is made private to the user, as trash folders must be.
bool MakeFolders(const std::string &path)
{
    struct stat status {};
    if (StatOf(path, status))
        return S_ISDIR(status.st_mode);
    if (path.size() <= 1 || !MakeFolders(ParentOf(path)))
        return false;
    return ::mkdir(path.c_str(), 0700) == 0 || errno == EEXIST;
}

// The highest folder above path that is on path's file system.
std::string TopFolderOf(const std::string &path, dev_t device)
{
    std::string top = ParentOf(path);
    for (;;) {
        const std::string up = ParentOf(top);
        struct stat status {};
        if (up == top || !StatOf(up, status) || status.st_dev != device)
            return top;
        top = up;
    }
}

std::string WithSlash(const std::string &folder) { return folder.back() == '/' ? folder : folder + '/'; }

TrashPlace VolumeTrash(const std::string &top)
{
    const std::string uid = std::to_string(::getuid());
    const std::string shared = WithSlash(top) + ".Trash";
    struct stat status {};
    // A shared .Trash counts only when an administrator made it sticky; a link could point anywhere.
    if (StatOf(shared, status, false) && S_ISDIR(status.st_mode) && (status.st_mode & S_ISVTX)) {
        const std::string own = shared + '/' + uid;
        if (MakeFolders(own))
            return {own + '/', WithSlash(top)};
    }
    return {WithSlash(top) + ".Trash-" + uid + '/', WithSlash(top)};
}

TrashPlace TrashFor(const std::string &path, dev_t device)
{
    const std::string home = HomeTrash();
    struct stat status {};
    const std::string homeData = ParentOf(home);
    if (MakeFolders(homeData) && StatOf(homeData, status) && status.st_dev == device)
        return {WithSlash(home), {}};
    return VolumeTrash(TopFolderOf(path, device));
}

std::string DeletionDate()
{
    const std::time_t now = std::time(nullptr);
    std::tm local {};
    ::localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return text;
}

// Claims a name in info/ with O_EXCL, so two programs trashing the same name never share one,
// and writes the .trashinfo; the name is handed back.
std::string WriteInfoFile(const std::string &trash, const std::string &name, const std::string &text)
{
    for (int copy = 1; copy <= kMaxNameTries; ++copy) {
        const std::string candidate = copy == 1 ? name : name + '.' + std::to_string(copy);
        struct stat existing {};
        if (::lstat((trash + "files/" + candidate).c_str(), &existing) == 0)
            continue;
        const std::string infoPath = trash + "info/" + candidate + ".trashinfo";
        FileDescriptor info(::open(infoPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
        if (!info.valid() && errno == EEXIST)
            continue;
        const int openError = errno;
        if (!info.valid())
            throw Error(std::strerror(openError));
        const bool written = ::write(info.get(), text.data(), text.size()) == static_cast<ssize_t>(text.size());
        if (!info.Close() || !written) {
            ::unlink(infoPath.c_str());
            throw Error("the trash's record could not be written");
        }
        return candidate;
    }
    throw Error("the trash holds too many files of that name");
}

} // namespace

std::string HomeTrash()
{
    return XdgBaseFolder("XDG_DATA_HOME", ".local/share") + "/Trash";
}

std::string TrashInfoPath(const std::string &path)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    for (unsigned char c : path) {
        if (std::isalnum(c) || std::strchr("/-_.~", c))
            encoded += static_cast<char>(c);
        else
            encoded.append({'%', kHex[c >> 4], kHex[c & 15]});
    }
    return encoded;
}

void MoveToTrash(const std::string &path)
{
    struct stat status {};
    if (path.empty() || path[0] != '/' || !StatOf(path, status, false))
        throw Error(path.empty() ? "no file named" : std::strerror(errno));
    const TrashPlace trash = TrashFor(path, status.st_dev);
    if (!MakeFolders(trash.folder + "files") || !MakeFolders(trash.folder + "info"))
        throw Error("the trash " + trash.folder + " cannot be made");
    const std::string shown = trash.pathPrefix.empty() ? path : path.substr(trash.pathPrefix.size());
    const std::string text = "[Trash Info]\nPath=" + TrashInfoPath(shown) + "\nDeletionDate=" + DeletionDate() + "\n";
    const std::string name = WriteInfoFile(trash.folder, BaseNameOf(path), text);
    if (::rename(path.c_str(), (trash.folder + "files/" + name).c_str()) != 0) {
        const int error = errno;
        ::unlink((trash.folder + "info/" + name + ".trashinfo").c_str());
        throw Error(std::strerror(error));
    }
}

} // namespace vistrel

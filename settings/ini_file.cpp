#include "settings/ini_file.h"

#include "platform/error.h"
#include "platform/file_names.h"
#include "settings/ini_text.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <iostream>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace vistrel {

namespace {

std::function<void(const std::string &)> &noticeHandler()
{
    static std::function<void(const std::string &)> handler = [](const std::string &message) {
        std::cerr << message << '\n';
    };
    return handler;
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() { Close(); }
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // False when the kernel reports a failure on close (a deferred write error).
    bool Close()
    {
        if (fd_ < 0)
            return true;
        const int result = ::close(fd_);
        fd_ = -1;
        return result == 0;
    }

private:
    int fd_;
};

// ".<name>.XXXXXX" in the target's folder: hidden, and on the same file system for the rename.
std::string temporaryPattern(const std::string &target)
{
    const std::string folder = ExtractFilePath(target);
    return folder + "." + target.substr(folder.size()) + ".XXXXXX";
}

// A temporary file beside the target that disappears again unless it was renamed over it.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::string &target)
        : path_(temporaryPattern(target)), fd_(::mkostemp(path_.data(), O_CLOEXEC))
    {
    }
    ~TemporaryFile()
    {
        fd_.Close();
        if (!committed_ && created())
            ::unlink(path_.c_str());
    }
    TemporaryFile(const TemporaryFile &) = delete;
    TemporaryFile &operator=(const TemporaryFile &) = delete;

    bool created() const { return fd_.valid(); }

    bool Write(const std::string &text, mode_t mode)
    {
        return ::fchmod(fd_.get(), mode) == 0 && writeAll(text) && ::fsync(fd_.get()) == 0 && fd_.Close();
    }

    bool RenameOver(const std::string &target)
    {
        committed_ = ::rename(path_.c_str(), target.c_str()) == 0;
        return committed_;
    }

private:
    bool writeAll(const std::string &text)
    {
        size_t done = 0;
        while (done < text.size()) {
            const ssize_t n = ::write(fd_.get(), text.data() + done, text.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            done += static_cast<size_t>(n);
        }
        return true;
    }

    std::string path_;
    FileDescriptor fd_;
    bool committed_ = false;
};

enum class LoadState { Missing, Loaded, Unusable };

struct LoadedText {
    LoadState state;
    std::string text;
};

// Reads at most kMaxIniFileSize bytes. Non-regular files (a FIFO would block, a device could
// be endless) and larger files are unusable.
LoadedText loadText(const std::string &file)
{
    FileDescriptor fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!fd.valid())
        return {errno == ENOENT ? LoadState::Missing : LoadState::Unusable, {}};
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size > off_t(kMaxIniFileSize))
        return {LoadState::Unusable, {}};

    std::string text;
    char chunk[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return {LoadState::Unusable, {}};
        if (n == 0)
            return {LoadState::Loaded, std::move(text)};
        text.append(chunk, static_cast<size_t>(n));
        if (text.size() > kMaxIniFileSize)  // grew while being read
            return {LoadState::Unusable, {}};
    }
}

bool exists(const std::string &path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

bool isDirectory(const std::string &path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Writing through a symbolic link replaces the file it points to, not the link.
std::string resolvedTarget(const std::string &file)
{
    struct stat info {};
    if (::lstat(file.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
        return file;
    char resolved[PATH_MAX];
    return ::realpath(file.c_str(), resolved) ? std::string(resolved) : file;
}

mode_t modeFor(const std::string &target)
{
    struct stat info {};
    return ::stat(target.c_str(), &info) == 0 ? info.st_mode & 07777 : 0644;
}

void storeText(const std::string &file, const std::string &text)
{
    const std::string target = resolvedTarget(file);
    TemporaryFile temporary(target);
    if (!temporary.created() || !temporary.Write(text, modeFor(target)) || !temporary.RenameOver(target))
        throw Error("Unable to write to " + file);
}

// Loads the file for an edit; content that could not be read must not be replaced.
IniText loadForWrite(const std::string &file)
{
    if (!exists(file))
        EnsureIniFile(file);
    LoadedText loaded = loadText(file);
    if (loaded.state == LoadState::Unusable)
        throw Error("Unable to write to " + file);
    return IniText(loaded.text);
}

std::string cutToValueBuffer(const std::string &value)
{
    size_t length = kIniValueBufferSize - 1;
    if (value.size() <= length)
        return value;
    while (length > 0 && (static_cast<unsigned char>(value[length]) & 0xC0) == 0x80)
        --length;
    return value.substr(0, length);
}

} // namespace

void SetIniNoticeHandler(std::function<void(const std::string &message)> handler)
{
    noticeHandler() = std::move(handler);
}

void ShowIniNotice(const std::string &message)
{
    if (noticeHandler())
        noticeHandler()(message);
}

void EnsureIniFile(const std::string &file)
{
    const std::string folder = ExtractFilePath(file);
    if (!folder.empty() && !isDirectory(folder) && ::mkdir(folder.c_str(), 0777) != 0)
        throw Error("Could not create " + folder);
    if (exists(file))
        return;
    FileDescriptor created(::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (!created.valid() && errno != EEXIST)
        ShowIniNotice("Could not create " + file);
}

std::string ReadIniString(const std::string &file, const std::string &section, const std::string &key,
                          const std::string &defaultValue)
{
    if (!exists(file))
        EnsureIniFile(file);
    const LoadedText loaded = loadText(file);
    if (loaded.state != LoadState::Loaded)
        return defaultValue;
    const auto value = IniText(loaded.text).Find(section, key);
    return value ? cutToValueBuffer(*value) : defaultValue;
}

int32_t ReadIniInteger(const std::string &file, const std::string &section, const std::string &key,
                       int32_t defaultValue)
{
    return ParseIniInteger(ReadIniString(file, section, key, std::string())).value_or(defaultValue);
}

void WriteIniString(const std::string &file, const std::string &section, const std::string &key,
                    const std::string &value)
{
    IniText text = loadForWrite(file);
    text.Rewrite(section, key, value);
    storeText(file, text.Render());
}

void WriteIniInteger(const std::string &file, const std::string &section, const std::string &key,
                     int32_t value)
{
    IniText text = loadForWrite(file);
    text.Set(section, key, std::to_string(value));
    storeText(file, text.Render());
}

} // namespace vistrel

#include "settings/ini_file.h"

#include "platform/error.h"
#include "platform/file_io.h"
#include "platform/file_names.h"
#include "platform/safe_file.h"
#include "settings/ini_text.h"

#include <cerrno>
#include <cstring>
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

const char kTooLarge[] = "the file is too large for a settings file";

enum class LoadState { Missing, Loaded, Unusable };

struct LoadedText {
    LoadState state;
    std::string text;
    std::string whyUnusable;
};

LoadedText unusable(const std::string &why)
{
    return {LoadState::Unusable, {}, why};
}

// Reads at most kMaxIniFileSize bytes. Non-regular files (a FIFO would block, a device could
// be endless) and larger files are unusable.
LoadedText loadText(const std::string &file)
{
    FileDescriptor fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!fd.valid())
        return errno == ENOENT ? LoadedText{LoadState::Missing, {}, {}} : unusable(std::strerror(errno));
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0)
        return unusable(std::strerror(errno));
    if (S_ISDIR(info.st_mode))
        return unusable(std::strerror(EISDIR));
    if (!S_ISREG(info.st_mode))
        return unusable("not a regular file");
    if (info.st_size > off_t(kMaxIniFileSize))
        return unusable(kTooLarge);

    std::string text;
    char chunk[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return unusable(std::strerror(errno));
        if (n == 0)
            return {LoadState::Loaded, std::move(text), {}};
        text.append(chunk, static_cast<size_t>(n));
        if (text.size() > kMaxIniFileSize) // grew while being read
            return unusable(kTooLarge);
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

void storeText(const std::string &file, const std::string &text)
{
    WriteFileSafely(file, reinterpret_cast<const uint8_t *>(text.data()), text.size());
}

// Loads the file for an edit; content that could not be read must not be replaced.
IniText loadForWrite(const std::string &file)
{
    if (!exists(file))
        EnsureIniFile(file);
    LoadedText loaded = loadText(file);
    if (loaded.state == LoadState::Unusable)
        throw WriteError(file, loaded.whyUnusable);
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

ScopedIniNoticeHandler::ScopedIniNoticeHandler(std::function<void(const std::string &message)> handler)
    : previous_(std::exchange(noticeHandler(), std::move(handler)))
{
}

ScopedIniNoticeHandler::~ScopedIniNoticeHandler() { noticeHandler() = std::move(previous_); }

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

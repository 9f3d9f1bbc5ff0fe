#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace vistrel {

// Each routine opens the settings file, reads or writes one value and closes it again, so a
// value is on disk as soon as the routine returns. Layout and matching rules: settings/ini_text.h.
//
// Reading never fails: a missing, unreadable, non-regular or oversized file (see
// kMaxIniFileSize) reads as the defaults. Writing replaces the file through SafeFile, so a crash
// or a full disk leaves the old file whole; a write that cannot be done, or that would have to
// drop content it cannot read, raises vistrel::Error("Unable to write to <file>: <reason>") and
// leaves the file as it was.

// Larger files are not settings files this program wrote: reads give the defaults and writes
// refuse rather than rewrite what they did not read.
constexpr size_t kMaxIniFileSize = 1024 * 1024;
// The read buffer of a value, its terminator included: longer values are cut to one less byte
// (backed off to a UTF-8 character boundary).
constexpr size_t kIniValueBufferSize = 2048;

std::string ReadIniString(const std::string &file, const std::string &section, const std::string &key,
                          const std::string &defaultValue);
// See ParseIniInteger (settings/ini_text.h) for what counts as a number.
int32_t ReadIniInteger(const std::string &file, const std::string &section, const std::string &key,
                       int32_t defaultValue);
// A value is one line: it is cut at its first line break.
void WriteIniString(const std::string &file, const std::string &section, const std::string &key,
                    const std::string &value);
void WriteIniInteger(const std::string &file, const std::string &section, const std::string &key,
                     int32_t value);

// Creates the file's folder (one level) when missing, raising "Could not create " + folder when
// that fails; creates the file empty when missing, reporting "Could not create " + file through
// the notice handler when that fails and carrying on.
void EnsureIniFile(const std::string &file);

// EnsureIniFile reports a file it cannot create without ending the caller's operation; the GUI
// installs a message box here. The default writes to stderr.
void SetIniNoticeHandler(std::function<void(const std::string &message)> handler);
// Hands a message to the installed notice handler.
void ShowIniNotice(const std::string &message);

// Sends the notices to `handler` while it lives, then gives them back to the handler before.
class ScopedIniNoticeHandler {
public:
    explicit ScopedIniNoticeHandler(std::function<void(const std::string &message)> handler);
    ~ScopedIniNoticeHandler();
    ScopedIniNoticeHandler(const ScopedIniNoticeHandler &) = delete;
    ScopedIniNoticeHandler &operator=(const ScopedIniNoticeHandler &) = delete;

private:
    std::function<void(const std::string &message)> previous_;
};

} // namespace vistrel

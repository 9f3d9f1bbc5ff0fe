#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace vistrel {

// Each routine opens the settings file, reads or writes one value and closes it again.
std::string ReadIniString(const std::string &file, const std::string &section, const std::string &key,
                          const std::string &defaultValue);
int32_t ReadIniInteger(const std::string &file, const std::string &section, const std::string &key,
                       int32_t defaultValue);
void WriteIniString(const std::string &file, const std::string &section, const std::string &key,
                    const std::string &value);
void WriteIniInteger(const std::string &file, const std::string &section, const std::string &key,
                     int32_t value);
void EnsureIniFile(const std::string &file);

// EnsureIniFile reports a file it cannot create without ending the caller's operation; the GUI
// installs a message box here. The default writes to stderr.
void SetIniNoticeHandler(std::function<void(const std::string &message)> handler);

} // namespace vistrel

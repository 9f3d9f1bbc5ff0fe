#include "platform/file_names.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace vistrel {

std::string ExtractFilePath(const std::string &path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string ExtractFileName(const std::string &path)
{
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ExtractFileExt(const std::string &path)
{
    const size_t dot = path.find_last_of("./");
    if (dot == std::string::npos || path[dot] != '.')
        return std::string();
    return path.substr(dot);
}

std::string WithTrailingSlash(std::string folder)
{
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

std::string HomeFolder()
{
    if (const char *home = std::getenv("HOME"); home && home[0])
        return home;
    if (const passwd *user = ::getpwuid(::getuid()); user && user->pw_dir && user->pw_dir[0])
        return user->pw_dir;
    return "/";
}

std::string XdgBaseFolder(const char *variable, const char *belowHome)
{
    const char *value = std::getenv(variable);
    return value && value[0] == '/' ? std::string(value) : HomeFolder() + '/' + belowHome;
}

} // namespace vistrel

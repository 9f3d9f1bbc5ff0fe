// Feeds arbitrary bytes to the settings routines as a settings file, then checks that a write
// reads back and leaves values elsewhere in the file as they were.
#include "settings/ini_file.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// tmpfs keeps the fsync of every write cheap; the folder is this process's own.
class FuzzFolder {
public:
    FuzzFolder()
    {
        struct stat info {};
        std::string pattern = (::stat("/dev/shm", &info) == 0 ? "/dev/shm" : "/tmp") + std::string("/fuzz-ini-XXXXXX");
        if (!::mkdtemp(pattern.data()))
            std::abort();
        folder_ = pattern;
        file_ = folder_ + "/Vistrel.ini";
    }
    ~FuzzFolder()
    {
        ::unlink(file_.c_str());
        ::rmdir(folder_.c_str());
    }
    const std::string &file() const { return file_; }

private:
    std::string folder_;
    std::string file_;
};

void writeInput(const std::string &path, const uint8_t *data, size_t size)
{
    FILE *out = std::fopen(path.c_str(), "wb");
    if (!out)
        std::abort();
    if (size > 0 && std::fwrite(data, 1, size, out) != size)
        std::abort();
    std::fclose(out);
}

void check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace vistrel;
    static FuzzFolder folder;
    const std::string &ini = folder.file();
    writeInput(ini, data, size);

    ReadIniString(ini, "Icon Editor", "Location", "");
    ReadIniInteger(ini, "save dlg filter", "VALUE", 1);
    ReadIniString(ini, "Start with", "StartDir", "/");
    ReadIniInteger(ini, "BOUNDS", "bottom", 500);
    const int32_t left = ReadIniInteger(ini, "Bounds", "Left", 10);

    WriteIniString(ini, "Start with", "StartDir", "/fuzz/dir/");
    check(ReadIniString(ini, "start with", "startdir", "") == "/fuzz/dir/");
    check(ReadIniInteger(ini, "Bounds", "Left", 10) == left);

    WriteIniInteger(ini, "Bounds", "Bottom", -123);
    check(ReadIniInteger(ini, "Bounds", "Bottom", 500) == -123);
    check(ReadIniInteger(ini, "Bounds", "Left", 10) == left);
    check(ReadIniString(ini, "Start with", "StartDir", "") == "/fuzz/dir/");
    return 0;
}

#pragma once

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <set>
#include <string>
#include <sys/mount.h>
#include <unistd.h>
#include <vector>

namespace vistrel::testing {

// A small file system of its own (a tmpfs, which needs root), unmounted and removed at the end.
// ready() is false where it cannot be mounted; tests then take another road or skip.
class FullDisk {
public:
    explicit FullDisk(const char *size = "1m")
    {
        if (::geteuid() != 0)
            return;
        std::string pattern = (std::filesystem::temp_directory_path() / "vistrel-full-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            return;
        folder_ = pattern + "/";
        mounted_ = ::mount("tmpfs", folder_.c_str(), "tmpfs", 0, ("size=" + std::string(size)).c_str()) == 0;
    }
    ~FullDisk()
    {
        if (mounted_)
            ::umount2(folder_.c_str(), MNT_DETACH);
        if (!folder_.empty())
            ::rmdir(folder_.c_str());
    }
    FullDisk(const FullDisk &) = delete;
    FullDisk &operator=(const FullDisk &) = delete;

    static constexpr const char *kFillerName = ".filler";

    bool ready() const { return mounted_; }
    std::string file(const std::string &name) const { return folder_ + name; }

    // Takes every free byte, so that the next block written anywhere on it fails.
    void fill() const
    {
        const int fd = ::open(file(kFillerName).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
        if (fd < 0)
            return;
        const std::vector<char> block(1 << 16, 'f');
        for (size_t size = block.size(); size > 0; size /= 2)
            while (::write(fd, block.data(), size) > 0) {
            }
        ::close(fd);
    }

private:
    std::string folder_;
    bool mounted_ = false;
};

} // namespace vistrel::testing

#include "capture/shot_naming.h"

#include "platform/error.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vistrel {

namespace {

// Holds a reserved shot file until the shot is in it; a failed write takes the reservation back,
// but never a file that someone else has created under that name in the meantime.
class Reservation {
public:
    Reservation(std::string path, int fd) : path_(std::move(path)), fd_(fd) {}
    Reservation(const Reservation &) = delete;
    Reservation &operator=(const Reservation &) = delete;
    ~Reservation()
    {
        if (!kept_ && stillOurs())
            ::unlink(path_.c_str());
        ::close(fd_);
    }
    const std::string &path() const { return path_; }
    void keep() { kept_ = true; }

private:
    bool stillOurs() const
    {
        struct stat reserved {}, named {};
        return ::fstat(fd_, &reserved) == 0 && ::stat(path_.c_str(), &named) == 0 &&
               reserved.st_dev == named.st_dev && reserved.st_ino == named.st_ino;
    }

    std::string path_;
    int fd_;
    bool kept_ = false;
};

PictureFormat otherType(PictureFormat format)
{
    return format == PictureFormat::Png ? PictureFormat::Jpeg : PictureFormat::Png;
}

bool exists(const std::string &path)
{
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0;
}

// Creates the first free shot file of `slot` and keeps it open. The other type's name is looked
// at again after ours is created: of two programs racing for one number with different types,
// at least one sees the other's file and moves on.
Reservation reserve(const std::string &folder, int slot, PictureFormat format)
{
    for (int number = 0; number < INT_MAX; ++number) {
        const std::string other = folder + ShotFileName(slot, number, otherType(format));
        if (exists(other))
            continue;
        std::string path = folder + ShotFileName(slot, number, format);
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0 && errno != EEXIST)
            throw Error("Unable to create " + path + ": " + std::strerror(errno));
        if (fd >= 0 && !exists(other))
            return Reservation(std::move(path), fd);
        if (fd >= 0)
            Reservation(std::move(path), fd); // given back at once
    }
    throw Error("No free shot name is left in " + folder);
}

} // namespace

std::string ShotFileName(int slot, int number, PictureFormat format)
{
    return "SShot" + std::to_string(slot) + "_" + std::to_string(number) +
           (format == PictureFormat::Png ? ".png" : ".jpg");
}

std::string ReserveShotFile(const std::string &folder, int slot, PictureFormat format)
{
    Reservation reserved = reserve(folder, slot, format);
    reserved.keep();
    return reserved.path();
}

std::string WriteShot(const TBitmap &pixels, const std::string &shotsFolder, int slot, PictureFormat format)
{
    ::mkdir(shotsFolder.c_str(), 0755); // an existing folder is fine; any other failure shows at the write
    Reservation reserved = reserve(shotsFolder + "/", slot, format);
    WritePictureFile(pixels, reserved.path(), format);
    reserved.keep();
    return reserved.path();
}

} // namespace vistrel

#include "capture/shot_naming.h"

#include "platform/error.h"
#include "platform/jpeg_codec.h"

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

// Creates the first free shot file of `slot` and keeps it open.
Reservation reserve(const std::string &folder, int slot)
{
    for (int number = 0; number < INT_MAX; ++number) {
        std::string path = folder + ShotFileName(slot, number);
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0)
            return Reservation(std::move(path), fd);
        if (errno != EEXIST)
            throw Error("Unable to create " + path + ": " + std::strerror(errno));
    }
    throw Error("No free shot name is left in " + folder);
}

} // namespace

std::string ShotFileName(int slot, int number)
{
    return "SShot" + std::to_string(slot) + "_" + std::to_string(number) + ".jpg";
}

std::string ReserveShotFile(const std::string &folder, int slot)
{
    Reservation reserved = reserve(folder, slot);
    reserved.keep();
    return reserved.path();
}

std::string WriteShot(const TBitmap &pixels, const std::string &shotsFolder, int slot)
{
    ::mkdir(shotsFolder.c_str(), 0755); // an existing folder is fine; any other failure shows at the write
    Reservation reserved = reserve(shotsFolder + "/", slot);
    WriteJpegFile(pixels, reserved.path());
    reserved.keep();
    return reserved.path();
}

} // namespace vistrel

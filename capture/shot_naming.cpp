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

// Holds a reserved file until the shot is in it; removes it when the write failed.
class Reservation {
public:
    explicit Reservation(std::string path) : path_(std::move(path)) {}
    Reservation(const Reservation &) = delete;
    Reservation &operator=(const Reservation &) = delete;
    ~Reservation()
    {
        if (!kept_)
            ::unlink(path_.c_str());
    }
    const std::string &path() const { return path_; }
    void keep() { kept_ = true; }

private:
    std::string path_;
    bool kept_ = false;
};

} // namespace

std::string ShotFileName(int slot, int number)
{
    return "SShot" + std::to_string(slot) + "_" + std::to_string(number) + ".jpg";
}

std::string ReserveShotFile(const std::string &folder, int slot)
{
    for (int number = 0; number < INT_MAX; ++number) {
        const std::string path = folder + ShotFileName(slot, number);
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0) {
            ::close(fd);
            return path;
        }
        if (errno != EEXIST)
            throw Error("Unable to create " + path + ": " + std::strerror(errno));
    }
    throw Error("No free shot name is left in " + folder);
}

std::string WriteShot(const TBitmap &pixels, const std::string &shotsFolder, int slot)
{
    ::mkdir(shotsFolder.c_str(), 0755); // an existing folder is fine; any other failure shows at the write
    Reservation reserved(ReserveShotFile(shotsFolder + "/", slot));
    WriteJpegFile(pixels, reserved.path());
    reserved.keep();
    return reserved.path();
}

} // namespace vistrel

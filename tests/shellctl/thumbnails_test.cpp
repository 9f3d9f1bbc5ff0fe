#include "platform/bmp_codec.h"
#include "platform/error.h"
#include "platform/jpeg_codec.h"
#include "shellctl/thumb_cache.h"
#include "shellctl/thumb_thread.h"
#include "shellctl/thumb_tile.h"
#include "shellctl/thumbnailer.h"
#include "tests/support/oriented_jpeg.h"
#include "tests/support/pictures.h"
#include "tests/support/qt_files.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <pwd.h>
#include <set>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vistrel {
namespace {

struct PlacementCase {
    int pictureW, pictureH;
    TRect target;
    bool scaled;
};

TEST(PlaceOnTile, KeepsProportionsInsideTheInsetArea)
{
    const PlacementCase cases[] = {
        {1024, 768, {0, 17, 58, 61}, true},  // width limits: 58 x 44 at (0, 17)
        {30, 40, {14, 19, 44, 59}, false},   // fits: unscaled, centred
        {60, 80, {0, 0, 58, 77}, true},      // the usable area ends 2 pixels early
        {58, 78, {0, 0, 58, 78}, false},
        {100, 1000, {25, 0, 33, 78}, true},  // height limits: 7.8 rounds to 8
        {116, 156, {0, 0, 58, 78}, true},
        {1, 1, {28, 38, 29, 39}, false},
    };
    for (const PlacementCase &c : cases) {
        const TilePlacement place = PlaceOnTile(60, 80, c.pictureW, c.pictureH);
        EXPECT_EQ(place.Target, c.target) << c.pictureW << "x" << c.pictureH << " got " << place.Target.Left << ","
                                          << place.Target.Top << " " << place.Target.Width() << "x"
                                          << place.Target.Height();
        EXPECT_EQ(place.Scaled, c.scaled) << c.pictureW << "x" << c.pictureH;
    }
}

TEST(FitInBox, NeverEnlargesAndRoundsHalvesToEven)
{
    const struct {
        int w, h, box, fitW, fitH;
    } cases[] = {
        {4000, 3000, 128, 128, 96}, {100, 50, 128, 100, 50}, {256, 1, 128, 128, 1},
        {1000, 10, 128, 128, 1},    {300, 500, 256, 154, 256}, {640, 5, 128, 128, 1},
    };
    for (const auto &c : cases) {
        const PictureSize fit = FitInBox(c.w, c.h, c.box);
        EXPECT_EQ(fit.Width, c.fitW) << c.w << "x" << c.h;
        EXPECT_EQ(fit.Height, c.fitH) << c.w << "x" << c.h;
    }
}

const TilePalette kColours{{10, 20, 30}, {250, 250, 250}, {100, 100, 100}};
const PaletteEntry kBlack{0, 0, 0};
const PaletteEntry kRed{0, 0, 255};

TEST(RenderTile, PlaceholderIsFramedFace)
{
    const TBitmap tile = RenderTile(TBitmap(), 0, 0, 60, 80, kColours);
    ASSERT_EQ(tile.width(), 60);
    ASSERT_EQ(tile.height(), 80);
    const struct {
        int x, y;
        PaletteEntry colour;
    } pixels[] = {
        {0, 0, kColours.Face},       {30, 0, kColours.Face},      {0, 40, kColours.Face},
        {0, 79, kColours.Face},      {59, 0, kBlack},             {59, 79, kBlack},
        {30, 79, kBlack},            {1, 1, kColours.Highlight},  {30, 1, kColours.Highlight},
        {1, 78, kColours.Highlight}, {58, 1, kColours.Shadow},    {58, 78, kColours.Shadow},
        {30, 78, kColours.Shadow},   {30, 40, kColours.Face},     {2, 2, kColours.Face},
    };
    for (const auto &p : pixels)
        EXPECT_EQ(tile.pixel(p.x, p.y), p.colour) << p.x << "," << p.y;
}

// Resampled edges may lose a little of the colour.
bool IsRed(PaletteEntry p)
{
    return p.r >= 245 && p.g <= 10 && p.b <= 10;
}

TEST(RenderTile, DrawsThePictureWhereThePlacementSays)
{
    // A reduced copy (128 x 96) of a 1024 x 768 picture lands on the full picture's rectangle.
    const TBitmap tile = RenderTile(testing::FilledPicture(128, 96, kRed), 1024, 768, 60, 80, kColours);
    EXPECT_EQ(tile.pixel(30, 16), kColours.Face);
    EXPECT_TRUE(IsRed(tile.pixel(30, 17)));
    EXPECT_TRUE(IsRed(tile.pixel(30, 60)));
    EXPECT_EQ(tile.pixel(30, 61), kColours.Face);
    EXPECT_TRUE(IsRed(tile.pixel(57, 30)));
    EXPECT_EQ(tile.pixel(0, 30), kColours.Face); // the frame covers the picture's outer pixels

    const TBitmap small = RenderTile(testing::FilledPicture(30, 40, kRed), 30, 40, 60, 80, kColours);
    EXPECT_EQ(small.pixel(13, 30), kColours.Face);
    EXPECT_EQ(small.pixel(14, 19), kRed);
    EXPECT_EQ(small.pixel(43, 58), kRed);
    EXPECT_EQ(small.pixel(44, 58), kColours.Face);
}

// A temporary folder that is also the thumbnail cache's root.
class ThumbnailFiles : public ::testing::Test {
protected:
    static std::string Raw(const QString &path) { return QFile::encodeName(path).toStdString(); }
    static QString FromRaw(const std::string &path) { return QFile::decodeName(path.c_str()); }
    QString Path(const QString &name) const { return dir_.filePath(name); }
    std::string CacheRoot() const { return Raw(dir_.filePath("cache/thumbnails")); }
    Thumbnailer MakeThumbnailer() const { return Thumbnailer(ThumbnailCache(128, CacheRoot())); }

    QString WriteJpeg(const QString &name, int w, int h)
    {
        WriteJpegFile(testing::FilledPicture(w, h, kRed), QFile::encodeName(Path(name)).toStdString());
        return Path(name);
    }
    QString WriteBytes(const QString &name, const QByteArray &bytes)
    {
        QFile file(Path(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return Path(name);
    }
    static int64_t MTimeOf(const QString &path)
    {
        struct stat info {};
        ::stat(QFile::encodeName(path).constData(), &info);
        return info.st_mtime;
    }

    QTemporaryDir dir_;
};

TEST_F(ThumbnailFiles, PhotosAreCachedUprightWithTheirUprightSize)
{
    const std::vector<uint8_t> jpeg = testing::QuarteredJpegWithOrientation(6, true);
    const QString path = WriteBytes("portrait.jpg", QByteArray(reinterpret_cast<const char *>(jpeg.data()),
                                                               static_cast<qsizetype>(jpeg.size())));
    const ThumbSource made = MakeThumbnailer().Make(Raw(path));
    const std::optional<ThumbnailCache::Entry> cached =
        ThumbnailCache(128, CacheRoot()).Read(ThumbnailCache::UriOf(Raw(path)), MTimeOf(path));
    ASSERT_TRUE(cached);
    for (const ThumbnailCache::Entry *entry : {&made.Entry, &*cached}) {
        EXPECT_EQ(entry->FullWidth, 32);
        EXPECT_EQ(entry->FullHeight, 64);
        EXPECT_LT(entry->Picture.width(), entry->Picture.height());
        EXPECT_GT(entry->Picture.pixel(1, 1).b, 128); // the stored bottom-left quarter, blue
    }
}

TEST_F(ThumbnailFiles, CacheNamesFollowTheUriDigest)
{
    EXPECT_EQ(ThumbnailCache::UriOf("/home/jens/photos/me.png"), "file:///home/jens/photos/me.png");
    EXPECT_EQ(ThumbnailCache::UriOf("/a b/ü.jpg"), "file:///a%20b/%C3%BC.jpg");
    // The names GLib gives (g_filename_to_uri), so that its programs find our entries and we theirs.
    const std::pair<std::string, const char *> shared[] = {
        {"/p/a [1].jpg", "03311e67646614dc6c62e82458a955bf"},
        {"/p/semi;colon.jpg", "244df549ba69e7fa80bb45fe2646b656"},
        {"/p/hash #%.jpg", "e46a938dfd38450cd403103d16937501"},
        {"/p/ü ß.jpg", "206947daf278515212f1f6a4d35bd76c"},
        {"/p/caf\xe9.jpg", "5ba2e8c7ac4792bd5cace25371165bd4"}, // Latin-1, not UTF-8
        {"/p/!$&'()*+,-.:=@_~<>?\"{}|\\^`.jpg", "070b6d8bc681e75e7cec0d861cfb7534"},
    };
    for (const auto &[path, md5] : shared)
        EXPECT_EQ(ThumbnailCache(128, "/c").EntryPath(ThumbnailCache::UriOf(path)), "/c/normal/" + std::string(md5) + ".png")
            << path;
    const ThumbnailCache cache(128, "/root/thumbnails");
    EXPECT_EQ(cache.EntryPath("file:///home/jens/photos/me.png"),
              "/root/thumbnails/normal/c6ee772d9e49320e97ec29a7eb5b1697.png");
    EXPECT_EQ(cache.FailPath("file:///x.jpg").rfind("/root/thumbnails/fail/vistrel-", 0), 0u);
    EXPECT_EQ(ThumbnailCache::BoxFor(80), 128);
    EXPECT_EQ(ThumbnailCache::BoxFor(129), 256);
    EXPECT_EQ(ThumbnailCache::FolderForBox(512), "x-large");
    EXPECT_EQ(ThumbnailCache::BoxFor(1025), 0);
}

// Only an absolute XDG_CACHE_HOME counts; without HOME the user's entry in the password
// database says where home is, never the root folder.
TEST(ThumbnailCacheRoot, FollowsTheEnvironment)
{
    const passwd *user = ::getpwuid(::getuid());
    ASSERT_NE(user, nullptr);
    const std::string userHome = user->pw_dir;
    const struct {
        const char *cacheHome, *home;
        std::string root;
    } cases[] = {
        {"/xdg/cache", "/home/jens", "/xdg/cache/thumbnails"},
        {"/xdg//cache/", "/home/jens", "/xdg/cache/thumbnails"},
        {nullptr, "/home/jens/", "/home/jens/.cache/thumbnails"},
        {"relative/cache", "/home/jens", "/home/jens/.cache/thumbnails"},
        {"", "/home/jens", "/home/jens/.cache/thumbnails"},
        {nullptr, "/home/jens", "/home/jens/.cache/thumbnails"},
        {nullptr, "", userHome + "/.cache/thumbnails"},
        {nullptr, nullptr, userHome + "/.cache/thumbnails"},
    };
    const std::string savedHome = std::getenv("HOME") ? std::getenv("HOME") : "";
    for (const auto &c : cases) {
        for (const auto &[name, value] : {std::pair{"XDG_CACHE_HOME", c.cacheHome}, std::pair{"HOME", c.home}})
            value ? ::setenv(name, value, 1) : ::unsetenv(name);
        EXPECT_EQ(ThumbnailCache::DefaultRoot(), c.root) << (c.cacheHome ? c.cacheHome : "(unset)") << " "
                                                         << (c.home ? c.home : "(unset)");
    }
    ::setenv("HOME", savedHome.c_str(), 1);
}

TEST_F(ThumbnailFiles, EntryCarriesItsKeysAndIsWrittenAtomically)
{
    const ThumbnailCache cache(128, CacheRoot());
    ThumbnailCache::Entry entry{testing::FilledPicture(128, 96, kRed), 1024, 768};
    const std::string uri = "file:///pictures/a.jpg";
    cache.Write(uri, 1700000000, entry);

    const QImage png(FromRaw(cache.EntryPath(uri)), "PNG");
    ASSERT_FALSE(png.isNull());
    EXPECT_EQ(png.text("Thumb::URI").toStdString(), uri);
    EXPECT_EQ(png.text("Thumb::MTime"), "1700000000");
    EXPECT_EQ(png.size(), QSize(128, 96));
    struct stat info {};
    ASSERT_EQ(::stat(cache.EntryPath(uri).c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    // Nothing but the entry itself is left in the folder: the temporary file was renamed.
    EXPECT_EQ(QDir(FromRaw(CacheRoot() + "/normal")).entryList(QDir::Files).size(), 1);

    const auto back = cache.Read(uri, 1700000000);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->FullWidth, 1024);
    EXPECT_EQ(back->FullHeight, 768);
    EXPECT_EQ(back->Picture.pixel(5, 5), kRed);
    EXPECT_FALSE(cache.Read(uri, 1700000001).has_value());
    EXPECT_FALSE(cache.Read("file:///pictures/b.jpg", 1700000000).has_value());
}

TEST_F(ThumbnailFiles, DamagedOrOversizedEntriesAreIgnored)
{
    const ThumbnailCache cache(128, CacheRoot());
    const std::string uri = "file:///pictures/a.jpg";
    cache.Write(uri, 5, {testing::FilledPicture(4, 4, kRed), 4, 4});
    QFile entry(FromRaw(cache.EntryPath(uri)));
    ASSERT_TRUE(entry.open(QIODevice::ReadWrite));
    entry.resize(entry.size() / 2);
    entry.close();
    EXPECT_FALSE(cache.Read(uri, 5).has_value());

    QImage big(300, 10, QImage::Format_RGB32);
    big.fill(Qt::red);
    big.setText("Thumb::URI", QString::fromStdString(uri));
    big.setText("Thumb::MTime", "5");
    ASSERT_TRUE(big.save(FromRaw(cache.EntryPath(uri)), "PNG"));
    EXPECT_FALSE(cache.Read(uri, 5).has_value());

    // A picture of the right size with a megabyte of text: more than a thumbnail can be.
    QImage padded(128, 96, QImage::Format_RGB32);
    padded.fill(Qt::red);
    padded.setText("Thumb::URI", QString::fromStdString(uri));
    padded.setText("Thumb::MTime", "5");
    QString noise;
    for (uint32_t i = 0, seed = 1; i < (1u << 20); ++i, seed = seed * 1103515245 + 12345)
        noise += QChar('a' + (seed >> 16) % 26);
    padded.setText("Comment", noise);
    ASSERT_TRUE(padded.save(FromRaw(cache.EntryPath(uri)), "PNG"));
    EXPECT_FALSE(cache.Read(uri, 5).has_value());
}

// What has an entry's name, a link to a user's file or another user's read-only entry, is
// replaced: the folder is ours.
TEST_F(ThumbnailFiles, EntryReplacesWhatHasItsNameWithoutWritingThroughIt)
{
    const ThumbnailCache cache(128, CacheRoot());
    const ThumbnailCache::Entry entry{testing::FilledPicture(4, 4, kRed), 4, 4};
    const std::string linked = "file:///a.jpg", foreign = "file:///b.jpg";
    const QString userFile = WriteBytes("notes.txt", "the user's own file");
    cache.Write(foreign, 5, entry);
    ASSERT_TRUE(QFile::link(userFile, FromRaw(cache.EntryPath(linked))));
    const std::string foreignPath = cache.EntryPath(foreign);
    ::chmod(foreignPath.c_str(), 0400);
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(foreignPath.c_str(), 65534, 65534), 0);
    }

    for (const std::string &uri : {linked, foreign}) {
        EXPECT_NO_THROW(cache.Write(uri, 6, entry)) << uri;
        struct stat info {};
        ASSERT_EQ(::lstat(cache.EntryPath(uri).c_str(), &info), 0);
        EXPECT_EQ(info.st_mode, S_IFREG | 0600u);
        EXPECT_EQ(info.st_uid, ::geteuid());
    }
    EXPECT_EQ(testing::ReadQtFile(userFile), "the user's own file");
}

TEST_F(ThumbnailFiles, SecondVisitComesFromTheCache)
{
    const QString photo = WriteJpeg("photo.jpg", 1024, 768);
    const Thumbnailer thumbnailer = MakeThumbnailer();
    const ThumbSource first = thumbnailer.Make(Raw(photo));
    EXPECT_FALSE(first.FromCache);
    EXPECT_TRUE(first.CacheError.empty()) << first.CacheError;
    EXPECT_EQ(first.Entry.FullWidth, 1024);
    EXPECT_EQ(first.Entry.Picture.width(), 128);
    EXPECT_EQ(first.Entry.Picture.height(), 96);
    EXPECT_TRUE(QFile::exists(FromRaw(first.CachePath)));

    const ThumbSource second = thumbnailer.Make(Raw(photo));
    EXPECT_TRUE(second.FromCache);
    EXPECT_EQ(second.Entry.FullHeight, 768);
    EXPECT_EQ(second.CachePath, first.CachePath);

    // A changed picture is read again.
    const std::string uri = ThumbnailCache::UriOf(Raw(photo));
    ThumbnailCache(128, CacheRoot()).Write(uri, MTimeOf(photo) - 10, first.Entry);
    EXPECT_FALSE(thumbnailer.Make(Raw(photo)).FromCache);
}

TEST_F(ThumbnailFiles, ReducedJpegDecodeStillCoversTheBox)
{
    const QString photo = WriteJpeg("wide.jpg", 2000, 300);
    const ScaledJpeg scaled = ReadJpegFileScaled(QFile::encodeName(photo).toStdString(), 128);
    EXPECT_EQ(scaled.FullWidth, 2000);
    EXPECT_EQ(scaled.Bitmap.width(), 250); // 1/8
    EXPECT_EQ(scaled.Bitmap.height(), 38);
    const ScaledJpeg small = ReadJpegFileScaled(QFile::encodeName(WriteJpeg("s.jpg", 100, 90)).toStdString(), 128);
    EXPECT_EQ(small.Bitmap.width(), 100);
    const ScaledJpeg middle = ReadJpegFileScaled(QFile::encodeName(WriteJpeg("m.jpg", 400, 90)).toStdString(), 128);
    EXPECT_EQ(middle.Bitmap.width(), 150); // 3/8 is the first that reaches 128
}

QByteArray JpegHeaderClaiming(int width, int height)
{
    TBitmap tiny(8, 8);
    const std::vector<uint8_t> bytes = WriteJpegMemory(tiny);
    QByteArray jpeg(reinterpret_cast<const char *>(bytes.data()), static_cast<qsizetype>(bytes.size()));
    const int sof = jpeg.indexOf(QByteArray("\xFF\xC0", 2));
    jpeg[sof + 5] = static_cast<char>(height >> 8);
    jpeg[sof + 6] = static_cast<char>(height & 0xFF);
    jpeg[sof + 7] = static_cast<char>(width >> 8);
    jpeg[sof + 8] = static_cast<char>(width & 0xFF);
    return jpeg.left(jpeg.size() / 2);
}

TEST_F(ThumbnailFiles, HostileFilesFailWithoutWaiting)
{
    const QString photo = WriteJpeg("good.jpg", 64, 48);
    QFile::copy(photo, Path("truncated.jpg"));
    QFile(Path("truncated.jpg")).resize(QFileInfo(photo).size() / 2);
    WriteBytes("huge.jpg", JpegHeaderClaiming(16384, 16384));
    QByteArray bmp = QByteArray("BM") + QByteArray(52, '\0');
    bmp[14] = 40;
    bmp[18] = static_cast<char>(0xFF); bmp[19] = static_cast<char>(0xFF); bmp[20] = 0x7F; // width 8 million
    bmp[22] = 1; bmp[26] = 1; bmp[28] = 24;
    WriteBytes("lying.bmp", bmp);
    WriteBytes("text.jpg", "this is no picture");
    WriteBytes("empty.bmp", "");
    ASSERT_EQ(::mkfifo(QFile::encodeName(Path("x.jpg")).constData(), 0600), 0);
    QDir(dir_.path()).mkdir("folder.jpg");

    const Thumbnailer thumbnailer = MakeThumbnailer();
    for (const char *name : {"truncated.jpg", "huge.jpg", "lying.bmp", "text.jpg", "empty.bmp", "x.jpg",
                             "folder.jpg", "missing.jpg"})
        EXPECT_THROW(thumbnailer.Make(Raw(Path(name))), Error) << name;
    // Pictures that failed are recorded; a FIFO, a folder and a missing file are not pictures.
    EXPECT_TRUE(thumbnailer.Cache().HasFailure(ThumbnailCache::UriOf(Raw(Path("truncated.jpg"))), MTimeOf(Path("truncated.jpg"))));
    EXPECT_FALSE(QFile::exists(FromRaw(thumbnailer.Cache().FailPath(ThumbnailCache::UriOf(Raw(Path("x.jpg")))))));
    EXPECT_NO_THROW(thumbnailer.Make(Raw(photo)));
}

TEST_F(ThumbnailFiles, PicturesAreKnownByContentWhateverTheirNameAndItsEncoding)
{
    QImage shot(200, 100, QImage::Format_ARGB32);
    shot.fill(Qt::red);
    ASSERT_TRUE(shot.save(Path("shot.png"), "PNG"));
    const std::string latin1 = Raw(Path("")) + "/caf\xe9.jpg";
    WriteJpegFile(testing::FilledPicture(90, 30, kRed), latin1);
    const std::pair<std::string, int> pictures[] = {
        {Raw(Path("shot.png")), 200}, {Raw(WriteJpeg("photo.bmp", 300, 150)), 300}, {latin1, 90}};
    const Thumbnailer thumbnailer = MakeThumbnailer();
    for (const auto &[path, width] : pictures) {
        const ThumbSource source = thumbnailer.Make(path);
        EXPECT_EQ(source.Entry.FullWidth, width) << path;
        EXPECT_TRUE(source.CacheError.empty()) << source.CacheError;
        struct stat info {};
        ::stat(path.c_str(), &info);
        EXPECT_EQ(QImage(FromRaw(source.CachePath), "PNG").text("Thumb::Size"), QString::number(info.st_size)) << path;
        EXPECT_TRUE(thumbnailer.Make(path).FromCache) << path;
    }
}

bool MakeFails(const Thumbnailer &thumbnailer, const std::string &path)
{
    try {
        thumbnailer.Make(path);
        return false;
    } catch (const Error &) {
        return true;
    }
}

// A chmod leaves the time alone: a file that was only unreadable must be tried again. Root
// reads every file, so then the attempt runs in a child as nobody.
TEST_F(ThumbnailFiles, UnreadableFileFailsWithoutBeingRecorded)
{
    const QString photo = WriteJpeg("locked.jpg", 64, 48);
    ::chmod(QFile::encodeName(dir_.path()).constData(), 0777);
    ::chmod(QFile::encodeName(photo).constData(), 0);
    const Thumbnailer thumbnailer = MakeThumbnailer();
    if (::geteuid() != 0) {
        EXPECT_TRUE(MakeFails(thumbnailer, Raw(photo)));
    } else if (const pid_t child = ::fork(); child == 0) {
        ::_exit(::setgid(65534) == 0 && ::setuid(65534) == 0 && MakeFails(thumbnailer, Raw(photo)) ? 0 : 1);
    } else {
        int status = 1;
        ::waitpid(child, &status, 0);
        EXPECT_EQ(status, 0);
    }
    ::chmod(QFile::encodeName(photo).constData(), 0644);
    EXPECT_FALSE(thumbnailer.Cache().HasFailure(ThumbnailCache::UriOf(Raw(photo)), MTimeOf(photo)));
    EXPECT_NO_THROW(thumbnailer.Make(Raw(photo)));
}

// Collects deliveries from the render thread for the test to wait on.
class DeliveryLog {
public:
    TShThumbThread::Deliver Sink()
    {
        return [this](ThumbDelivery delivery) {
            const std::lock_guard<std::mutex> hold(lock_);
            deliveries_.push_back(std::move(delivery));
            arrived_.notify_all();
        };
    }
    bool WaitFor(size_t count)
    {
        std::unique_lock<std::mutex> hold(lock_);
        return arrived_.wait_for(hold, std::chrono::seconds(60), [&] { return deliveries_.size() >= count; });
    }
    std::vector<ThumbDelivery> Taken()
    {
        const std::lock_guard<std::mutex> hold(lock_);
        return deliveries_;
    }

private:
    std::mutex lock_;
    std::condition_variable arrived_;
    std::vector<ThumbDelivery> deliveries_;
};

TEST_F(ThumbnailFiles, ThreadDeliversEveryItemInQueueOrderAndEnds)
{
    WriteJpeg("a.jpg", 200, 100);
    ASSERT_EQ(::mkfifo(QFile::encodeName(Path("x.jpg")).constData(), 0600), 0);
    WriteJpeg("b.jpg", 30, 40);
    DeliveryLog log;
    TShThumbThread thread(CacheRoot(), log.Sink(), 1); // one worker keeps the queue's order
    thread.SetTile(60, 80, kColours);
    const char *names[] = {"a.jpg", "x.jpg", "b.jpg", "missing.jpg"};
    for (uint64_t id = 0; id < 4; ++id)
        thread.Enqueue({id + 1, Raw(Path(names[id]))});
    EXPECT_FALSE(thread.Running());
    thread.StartIfNeeded();
    ASSERT_TRUE(log.WaitFor(4));
    const std::vector<ThumbDelivery> got = log.Taken();
    for (uint64_t i = 0; i < 4; ++i)
        EXPECT_EQ(got[i].Id, i + 1);
    EXPECT_EQ(got[0].Tile.width(), 60);
    EXPECT_EQ(got[0].Tile.height(), 80);
    EXPECT_TRUE(got[1].Tile.empty()); // the FIFO: the list shows its icon
    EXPECT_GT(got[2].Tile.pixel(14, 19).r, 200); // the 30 x 40 picture, unscaled at (14, 19)
    EXPECT_LT(got[2].Tile.pixel(14, 19).g, 50);
    EXPECT_EQ(got[2].Tile.pixel(13, 19), kColours.Face);
    EXPECT_TRUE(got[3].Tile.empty());
    EXPECT_EQ(thread.Queued(), 0u);
}

TEST_F(ThumbnailFiles, PoolRendersTheScreenFirstAndCutsWhatScrolledAway)
{
    for (int i = 0; i < 24; ++i)
        WriteJpeg(QString("p%1.jpg").arg(i), 40, 30);
    DeliveryLog log;
    TShThumbThread pool(CacheRoot(), log.Sink(), 3);
    EXPECT_EQ(pool.Workers(), 3);
    const auto request = [this](uint64_t id) { return ThumbRequest{id, Raw(Path(QString("p%1.jpg").arg(id)))}; };
    for (uint64_t id = 0; id < 20; ++id)
        pool.Enqueue(request(id));
    const std::vector<uint64_t> cut = pool.EnqueueFront({request(20), request(21), request(22), request(23)}, 18);
    EXPECT_EQ(cut, (std::vector<uint64_t>{19, 18, 17, 16, 15, 14}));
    pool.StartIfNeeded();
    ASSERT_TRUE(log.WaitFor(18));
    std::set<uint64_t> ids;
    for (const ThumbDelivery &delivery : log.Taken()) {
        EXPECT_FALSE(delivery.Tile.empty()) << delivery.Id;
        ids.insert(delivery.Id);
    }
    EXPECT_EQ(ids.size(), 18u); // each once
    EXPECT_EQ(ids.count(14), 0u);
    EXPECT_GE(log.Taken().front().Id, 20u); // the workers began with the batch put in front
}

TEST_F(ThumbnailFiles, ClearedQueueDeliversOnlyStaleTiles)
{
    for (int i = 0; i < 20; ++i)
        WriteJpeg(QString("p%1.jpg").arg(i), 320, 240);
    DeliveryLog log;
    {
        TShThumbThread thread(CacheRoot(), log.Sink());
        const uint64_t first = thread.Generation();
        for (int i = 0; i < 20; ++i)
            thread.Enqueue({static_cast<uint64_t>(i), Raw(Path(QString("p%1.jpg").arg(i)))});
        thread.StartIfNeeded();
        ASSERT_TRUE(log.WaitFor(1));
        thread.Clear();
        EXPECT_GT(thread.Generation(), first);
        EXPECT_EQ(thread.Queued(), 0u);
        thread.Enqueue({100, Raw(Path("p0.jpg"))});
        thread.StartIfNeeded();
        // Destroying the thread with work in hand waits for that one tile only.
    }
    for (const ThumbDelivery &delivery : log.Taken()) {
        if (delivery.Id == 100) {
            EXPECT_GT(delivery.Generation, log.Taken().front().Generation);
        }
    }
    EXPECT_LT(log.Taken().size(), 21u);
}

} // namespace
} // namespace vistrel

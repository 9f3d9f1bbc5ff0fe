// The display-free parts of the about box and the donation dialog.
#include "about/about_properties.h"
#include "about/binary_clock.h"
#include "about/donation.h"
#include "about/movie_markup.h"
#include "about/system_info.h"

#include <gtest/gtest.h>

namespace vistrel {
namespace {

TEST(MovieSpeed, OutOfRangeValuesAreStoredAsFifty)
{
    const struct {
        int given, stored;
    } cases[] = {{0, 50}, {100, 50}, {-5, 50}, {250, 50}, {1, 1}, {44, 44}, {99, 99}};
    for (const auto &c : cases) {
        TAboutBoxProperties about;
        about.SetMovieSpeed(c.given);
        EXPECT_EQ(about.MovieSpeed(), c.stored) << c.given;
    }
    EXPECT_EQ(TAboutBoxProperties().MovieSpeed(), 40);
}

TMovieLineStyle Style(std::initializer_list<const char *> flags)
{
    TMovieLineStyle style;
    for (const std::string flag : flags) {
        style.center |= flag == "center";
        style.bold |= flag == "b";
        style.italic |= flag == "i";
        style.underline |= flag == "u";
    }
    return style;
}

TEST(MovieMarkup, TagsAreHiddenAndStyleTheWholeLine)
{
    const struct {
        const char *line, *shown;
        TMovieLineStyle style;
    } cases[] = {
        {"[center][b]Title", "Title", Style({"center", "b"})},
        {"plain", "plain", Style({})},
        {"[i][u]x", "x", Style({"i", "u"})},
        {"[B]upper", "upper", Style({})}, // tags are case-sensitive
        {"[blink]text", "text", Style({})},
        {"a]b]", "ab", Style({})}, // stray "]" dropped
        {"", "", Style({})},
        {"[]empty tag", "empty tag", Style({})},
    };
    for (const auto &c : cases) {
        const std::vector<TMovieLine> parsed = ParseMovieLines({QString::fromUtf8(c.line)});
        ASSERT_EQ(parsed.size(), 1u);
        EXPECT_EQ(parsed[0].text, QString::fromUtf8(c.shown)) << c.line;
        EXPECT_TRUE(parsed[0].style == c.style) << c.line;
    }
}

TEST(MovieMarkup, ValueTagsSetSizeFontAndColour)
{
    const std::vector<TMovieLine> parsed = ParseMovieLines({
        "a[color=255]b",
        "[size=20]big",
        "[font=Serif]face",
        "[color=16711680]blue",
        "[size=x][size=0][size=-4][color=red][color=-1][font=]bad values",
    });
    EXPECT_EQ(parsed[0].text, "ab");
    EXPECT_EQ(parsed[0].style.color, QColor(255, 0, 0)); // the whole line, as the last tag left it
    EXPECT_EQ(parsed[1].style.pointSize, 20);
    EXPECT_EQ(parsed[2].style.fontName, QStringLiteral("Serif"));
    EXPECT_EQ(parsed[3].style.color, QColor(0, 0, 255));
    EXPECT_TRUE(parsed[4].style == TMovieLineStyle{});
    EXPECT_EQ(parsed[4].text, "bad values");
}

TEST(MovieMarkup, AnUnclosedTagContinuesIntoTheNextLine)
{
    const std::vector<TMovieLine> parsed = ParseMovieLines({"first[cen", "ter]second", "third"});
    EXPECT_EQ(parsed[0].text, "first");
    EXPECT_FALSE(parsed[0].style.center);
    EXPECT_EQ(parsed[1].text, "second");
    EXPECT_TRUE(parsed[1].style.center);
    EXPECT_EQ(parsed[2].text, "third");
    EXPECT_FALSE(parsed[2].style.center); // every line starts from the default style
}

TEST(MovieMarkup, TextHasPassedOnlyWhenItsBottomPlusTheLastLineIsAboveTheTop)
{
    const std::vector<int> heights{10, 10, 15};
    EXPECT_FALSE(MovieTextPassed(101, heights));
    EXPECT_FALSE(MovieTextPassed(-35, heights)); // bottom at 0
    EXPECT_FALSE(MovieTextPassed(-50, heights)); // bottom + last height = 0
    EXPECT_TRUE(MovieTextPassed(-51, heights));
    EXPECT_TRUE(MovieTextPassed(-1, {}));
}

TEST(ColourNumbers, AreBlueGreenRed)
{
    EXPECT_EQ(ColorFromNumber(0x800000), QColor(0, 0, 128)); // navy
    EXPECT_EQ(ColorFromNumber(0xFFFF00), QColor(0, 255, 255)); // aqua
    EXPECT_EQ(ColorFromNumber(0x00FFFF), QColor(255, 255, 0)); // yellow
}

std::string LitBits(int h, int m, int s)
{
    const TClockBits bits = BinaryClockBits(h, m, s);
    std::string lit;
    for (int i = 0; i < kClockBitCount; ++i) {
        if (i == 5 || i == 11)
            lit += '|';
        if (bits[static_cast<size_t>(i)])
            lit += std::to_string(kClockBitWeights[static_cast<size_t>(i)]) + ' ';
    }
    return lit;
}

TEST(BinaryClock, LightsTheBitsOfEachRow)
{
    const struct {
        int h, m, s;
        const char *lit;
    } cases[] = {
        {23, 59, 59, "16 4 2 1 |32 16 8 2 1 |32 16 8 2 1 "},
        {13, 5, 59, "8 4 1 |4 1 |32 16 8 2 1 "},
        {0, 0, 0, "||"},
        {16, 32, 1, "16 |32 |1 "},
    };
    for (const auto &c : cases)
        EXPECT_EQ(LitBits(c.h, c.m, c.s), c.lit) << c.h << ":" << c.m << ":" << c.s;
}

TEST(AmountKeys, OnlyDigitsAndEditingKeysPassWithoutCtrl)
{
    const struct {
        int key;
        bool passes;
    } cases[] = {{Qt::Key_0, true},        {Qt::Key_5, true},      {Qt::Key_9, true},
                 {Qt::Key_Backspace, true}, {Qt::Key_Return, true}, {Qt::Key_Enter, true},
                 {Qt::Key_Delete, true},    {Qt::Key_A, false},     {Qt::Key_Period, false},
                 {Qt::Key_Minus, false},    {Qt::Key_Space, false}, {Qt::Key_Comma, false}};
    for (const auto &c : cases)
        EXPECT_EQ(AmountKeyPasses(c.key, false, std::nullopt), c.passes) << std::hex << c.key;
}

TEST(AmountKeys, CtrlPassesCopyAndPastesOnlyIntegers)
{
    const struct {
        int key;
        std::optional<QString> clipboard;
        bool passes;
    } cases[] = {
        {Qt::Key_C, std::nullopt, true},
        {Qt::Key_C, QStringLiteral("abc"), true},
        {Qt::Key_V, QStringLiteral("12"), true},
        {Qt::Key_V, std::nullopt, true}, // nothing to paste, nothing to keep out
        {Qt::Key_V, QStringLiteral("abc"), false},
        {Qt::Key_V, QStringLiteral("1.5"), false},
        {Qt::Key_V, QStringLiteral(""), false},
        {Qt::Key_X, std::nullopt, false},
        {Qt::Key_A, std::nullopt, false},
        {Qt::Key_5, std::nullopt, false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(AmountKeyPasses(c.key, true, c.clipboard), c.passes)
            << std::hex << c.key << " " << c.clipboard.value_or("(none)").toStdString();
}

TEST(PaymentLink, ParametersFollowInTheirFixedOrder)
{
    EXPECT_EQ(PaymentParameters("Vistrel", "5"),
              "&item_name=Vistrel&item_number=1&amount=5.00&no_note=1&tax=0&currency_code=EUR");
    EXPECT_EQ(PaymentParameters("Vistrel", ""),
              "&item_name=Vistrel&item_number=1&amount=.00&no_note=1&tax=0&currency_code=EUR");
    // The product name goes in as it stands; the amount cannot smuggle in parameters.
    EXPECT_EQ(PaymentParameters("My Tool&Co", "5&tax=9 #"),
              "&item_name=My Tool&Co&item_number=1&amount=5%26tax%3D9%20%23.00&no_note=1&tax=0&currency_code=EUR");
}

TEST(PaymentLink, StartsWithThePageAndTheEscapedAccount)
{
    const QString link = PaymentLink("Vistrel", "5");
    QString account = TMakerAddresses::kPaymentAccount;
    account.replace("@", "%40");
    EXPECT_EQ(link, QString(TMakerAddresses::kPaymentPage) + "business=" + account + PaymentParameters("Vistrel", "5"));
    EXPECT_TRUE(link.startsWith("https://"));
    EXPECT_FALSE(link.contains('?'));
    EXPECT_FALSE(link.contains('@'));
}

TEST(DonateText, DefaultTextNamesTheProductAndSplitsIntoParagraphs)
{
    TDonateProperties donate("vistrel");
    donate.SetProductName("Vistrel");
    const QStringList lines = donate.TextForShowing();
    ASSERT_EQ(lines.size(), 10);
    EXPECT_TRUE(lines[0].startsWith("Vistrel is Freeware, so you may use it"));
    EXPECT_TRUE(lines[0].contains("for using Vistrel.I would be pleased"));
    EXPECT_EQ(lines[1], "");
    EXPECT_TRUE(lines[2].startsWith("However, if you think Vistrel is"));
    EXPECT_EQ(lines[8], "");
    EXPECT_EQ(lines[9], "Thanks for supporting my work.");

    donate.SetProductName("Other");
    EXPECT_EQ(donate.TextForShowing(), lines); // kept from the first showing
}

TEST(DonateText, AnEmptyProductNameStandsForTheExecutable)
{
    TDonateProperties donate("vistrel");
    EXPECT_EQ(donate.ProductName(), "vistrel");
    donate.SetProductName("Vistrel");
    donate.SetProductName("");
    EXPECT_EQ(donate.ProductName(), "vistrel");
}

TEST(DonateText, ProposedAmountIsTenUnlessPositive)
{
    EXPECT_EQ(ProposedAmount(0), 10);
    EXPECT_EQ(ProposedAmount(-3), 10);
    EXPECT_EQ(ProposedAmount(5), 5);
}

TEST(TextLines, SplitAtEveryLineBreakKind)
{
    const struct {
        const char *text;
        QStringList lines;
    } cases[] = {
        {"a\r\nb", {"a", "b"}},  {"a\nb", {"a", "b"}},        {"a\rb", {"a", "b"}},
        {"a\n\rb", {"a", "", "b"}}, {"a\r\n", {"a"}},          {"", {}},
        {"\r\nx", {"", "x"}},     {"a\r\n\r\nb", {"a", "", "b"}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(TextLines(c.text), c.lines) << c.text;
}

TEST(Version, FourPartsWithMissingOnesZero)
{
    const struct {
        const char *text;
        int major, minor, release, build;
    } cases[] = {{"1.2.3.4", 1, 2, 3, 4}, {"2.0", 2, 0, 0, 0}, {"1.0.0", 1, 0, 0, 0}, {"", 0, 0, 0, 0}, {"x.1", 0, 0, 0, 0}};
    for (const auto &c : cases) {
        const TVersionParts parts = ParseVersion(c.text);
        EXPECT_EQ(std::tie(parts.major, parts.minor, parts.release, parts.build),
                  std::tie(c.major, c.minor, c.release, c.build))
            << c.text;
    }
    const TVersionParts build = ParseVersion(VISTREL_VERSION);
    EXPECT_GT(build.major + build.minor + build.release, 0);
}

TEST(SystemInfo, KernelReleaseGivesVersionAndBuild)
{
    EXPECT_EQ(FormatOSVersion("6.1.0-18-amd64"), "6.1   Build : 0");
    EXPECT_EQ(FormatOSVersion("5.15.133.1-microsoft-standard"), "5.15   Build : 133");
    EXPECT_EQ(FormatOSVersion("garbage"), "0.0   Build : 0");
}

TEST(SystemInfo, MemoryComesFromMeminfoInKilobytes)
{
    EXPECT_EQ(FormatMemory("MemTotal:       16310128 kB\nMemFree:  100 kB\nMemAvailable:    9087232 kB\n"),
              "Tot: 16310128 KB     Avl: 9087232 KB");
    EXPECT_EQ(FormatMemory(""), "Tot: 0 KB     Avl: 0 KB");
    EXPECT_EQ(FormatMemory("MemTotal: -5 kB\nMemAvailableX: 7 kB\n"), "Tot: 0 KB     Avl: 0 KB");
}

TEST(SystemInfo, VolumesRoundToMegabytesAndSplitAfterTheFourth)
{
    constexpr std::int64_t MB = 1024 * 1024;
    TSystemInfo info;
    FormatVolumes({{"/", 10 * MB + MB / 2},   // a half rounds to the even 10
                   {"/home", 11 * MB + MB / 2}, // and to the even 12
                   {"/boot", MB / 2 - 1},
                   {"/data", 0},
                   {"/media/usb", 3 * MB}},
                  info);
    EXPECT_EQ(info.DrivesLow, "/: 10 MB  /home: 12 MB  /boot: 0 MB  /data: 0 MB  ");
    EXPECT_EQ(info.DrivesHigh, "/media/usb: 3 MB  ");
}

TEST(SystemInfo, MessageListsEveryFigure)
{
    TSystemInfo info{"Debian", "6.1   Build : 0", "Tot: 1 KB     Avl: 1 KB", "/: 1 MB  ", ""};
    EXPECT_EQ(SystemInfoMessage(info), "You are probably Running Debian\nVersion Info: 6.1   Build : 0\nFree Memory: "
                                       "Tot: 1 KB     Avl: 1 KB\nFree Hard disk Space: \n/: 1 MB  \n");
    const TSystemInfo here = ReadSystemInfo();
    EXPECT_TRUE(here.DrivesLow.startsWith("/: "));
    EXPECT_TRUE(here.MemoryText.startsWith("Tot: "));
}

} // namespace
} // namespace vistrel

namespace vistrel {
namespace {

TEST(SystemInfo, OnlyLocalWritableVolumesAreListedOnce)
{
    const std::string mounts = "overlay / overlay rw,relatime 0 0\n"
                               "proc /proc proc rw,nosuid 0 0\n"
                               "tmpfs /dev/shm tmpfs rw 0 0\n"
                               "/dev/sda2 /home ext4 rw,relatime 0 0\n"
                               "/dev/sda2 /etc/hosts ext4 rw,relatime 0 0\n"
                               "/dev/sdb1 /media/My\\040Disk vfat rw 0 0\n"
                               "/dev/loop3 /snap/core/1 squashfs ro,nodev 0 0\n"
                               "server:/export /mnt/nfs nfs4 rw 0 0\n"
                               "//server/share /mnt/smb cifs rw 0 0\n"
                               "/dev/sdc1 /trailing\\04 ext4 rw 0 0\n"
                               "broken line\n";
    EXPECT_EQ(LocalVolumeMountPoints(mounts),
              (std::vector<std::string>{"/", "/home", "/media/My Disk", "/trailing\\04"}));
    EXPECT_EQ(LocalVolumeMountPoints(""), std::vector<std::string>{"/"});
}

} // namespace
} // namespace vistrel

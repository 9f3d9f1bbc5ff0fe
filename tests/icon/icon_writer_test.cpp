#include "icon/icon_writer.h"
#include "icon_test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace vistrel;
using namespace vistrel::testing;

namespace {

std::vector<uint8_t> iconBytes(const TIcon &icon, IconDepth depthCode)
{
    std::vector<uint8_t> bytes;
    EXPECT_EQ(IconFileBytes(icon, depthCode, bytes), kIconWritten);
    return bytes;
}

} // namespace

TEST(IconFileLayout, ThirtyTwoPixelIconAtEightBitsTakes2238Bytes)
{
    TempFolder dir;
    const std::string path = dir.file("a.ico");
    ASSERT_EQ(WriteIconFile(path, solidIcon(32, 32), IconDepth::Bits8), kIconWritten);
    const std::vector<uint8_t> file = ReadByteVector(path);
    ASSERT_EQ(file.size(), 2238u);
    EXPECT_EQ(le16(file, 0), 0u);
    EXPECT_EQ(le16(file, 2), 1u);
    EXPECT_EQ(le16(file, 4), 1u);
    EXPECT_EQ(file[6], 32);
    EXPECT_EQ(file[7], 32);
    EXPECT_EQ(file[8], 0);
    EXPECT_EQ(le16(file, 10), 1u);
    EXPECT_EQ(le16(file, 12), 8u);
    EXPECT_EQ(le32(file, 14), 2216u);
    EXPECT_EQ(le32(file, 18), 22u);
    EXPECT_EQ(le32(file, 22), 40u);
    EXPECT_EQ(le32(file, 22 + 4), 32u);
    EXPECT_EQ(le32(file, 22 + 8), 64u);
    EXPECT_EQ(le32(file, 22 + 20), 1024u);
    EXPECT_EQ(le32(file, 22 + 32), 256u);
    EXPECT_EQ(le32(file, 22 + 36), 256u);
}

TEST(IconFileLayout, SixteenPixelIconAtThirtyTwoBitsTakes1150Bytes)
{
    const std::vector<uint8_t> file = iconBytes(solidIcon(16, 16, rgb(1, 2, 3)), IconDepth::Bits32);
    ASSERT_EQ(file.size(), 1150u);
    EXPECT_EQ(le16(file, 12), 32u);
    EXPECT_EQ(le32(file, 22 + 32), 0u);
    // The pixels begin right after the 40-byte header, bottom row first: B, G, R, A.
    EXPECT_EQ(file[62], 3);
    EXPECT_EQ(file[63], 2);
    EXPECT_EQ(file[64], 1);
    EXPECT_EQ(file[65], 255);
}

TEST(IconFileLayout, RowsArePaddedToFourBytesAtEveryDepth)
{
    std::vector<uint8_t> info, pixels;
    EXPECT_EQ(ReadBitmapBits(TBitmap(16, 16), info, pixels, IconDepth::Bits4), 40 + 64);
    EXPECT_EQ(pixels.size(), 16u * 8);
    EXPECT_EQ(ReadBitmapBits(TBitmap(24, 5), info, pixels, IconDepth::Bits24), 40);
    EXPECT_EQ(pixels.size(), 5u * 72);
    EXPECT_EQ(ReadBitmapBits(TBitmap(10, 3), info, pixels, IconDepth::Bits1), 40 + 8);
    EXPECT_EQ(pixels.size(), 3u * 4);
    EXPECT_EQ(le32(info, 20), 12u);
}

TEST(IconFileLayout, DirectoryEntryFollowsTheDepthCode)
{
    struct Expected {
        uint8_t code;
        uint8_t colourCount;
        uint32_t bitCount;
    };
    for (const Expected e : {Expected{0, 2, 1}, {1, 16, 4}, {2, 0, 8}, {3, 0, 24}, {4, 0, 32}, {7, 0, 24}}) {
        const std::vector<uint8_t> file = iconBytes(solidIcon(8, 8), IconDepth(e.code));
        EXPECT_EQ(file[8], e.colourCount) << int(e.code);
        EXPECT_EQ(le16(file, 12), e.bitCount) << int(e.code);
        EXPECT_EQ(le32(file, 14) + 22, file.size()) << int(e.code);
    }
}

TEST(IconFileLayout, SideOf256IsStoredAsZeroWithTheRealHeightInTheHeader)
{
    const std::vector<uint8_t> file = iconBytes(solidIcon(256, 256), IconDepth::Bits24);
    EXPECT_EQ(file[6], 0);
    EXPECT_EQ(file[7], 0);
    EXPECT_EQ(le32(file, 22 + 4), 256u);
    EXPECT_EQ(le32(file, 22 + 8), 512u);
}

TEST(IconFileLayout, MaskIsWrittenBottomUpWithOneForTransparent)
{
    TIcon icon = solidIcon(8, 2);
    icon.Mask.setPixel(0, 0, rgb(255, 255, 255)); // top-left transparent
    const std::vector<uint8_t> file = iconBytes(icon, IconDepth::Bits24);
    const size_t maskStart = file.size() - 8; // two rows of four bytes
    EXPECT_EQ(file[maskStart], 0x00);         // bottom row
    EXPECT_EQ(file[maskStart + 4], 0x80);     // top row
}

TEST(IconFileLayout, ThirtyTwoBitAlphaFollowsTheMask)
{
    TIcon icon = solidIcon(2, 1);
    icon.Mask.setPixel(1, 0, rgb(255, 255, 255));
    const std::vector<uint8_t> file = iconBytes(icon, IconDepth::Bits32);
    EXPECT_EQ(file[62 + 3], 255);
    EXPECT_EQ(file[62 + 7], 0);
}

TEST(IconFileResult, ShortNameIsRefusedWithoutCreatingAFile)
{
    TempFolder dir;
    const std::string cwd = std::filesystem::current_path().string();
    std::filesystem::current_path(dir.file(""));
    EXPECT_EQ(WriteIconFile("a.i", solidIcon(16, 16), IconDepth::Bits8), kIconNameTooShort);
    EXPECT_FALSE(std::filesystem::exists("a.i"));
    EXPECT_EQ(WriteIconFile("", solidIcon(16, 16), IconDepth::Bits8), kIconNameTooShort);
    // Characters count, not bytes: three letters with umlauts are still too short.
    EXPECT_EQ(WriteIconFile("\xc3\xa4\xc3\xb6\xc3\xbc", solidIcon(16, 16), IconDepth::Bits8), kIconNameTooShort);
    std::filesystem::current_path(cwd);
}

TEST(IconFileResult, EmptyHolderHasNoBitmaps)
{
    TempFolder dir;
    EXPECT_EQ(WriteIconFile(dir.file("x.ico"), TIcon(), IconDepth::Bits8), kIconNoBitmaps);
    EXPECT_FALSE(std::filesystem::exists(dir.file("x.ico")));
}

TEST(IconFileResult, MissingOrMismatchedMaskIsUnreadable)
{
    TempFolder dir;
    TIcon noMask{TBitmap(16, 16), TBitmap()};
    EXPECT_EQ(WriteIconFile(dir.file("x.ico"), noMask, IconDepth::Bits8), kIconUnreadable);
    TIcon noColour{TBitmap(), TBitmap(16, 16, PixelFormat::pf1bit)};
    EXPECT_EQ(WriteIconFile(dir.file("x.ico"), noColour, IconDepth::Bits8), kIconUnreadable);
    TIcon smallMask{TBitmap(16, 16), TBitmap(16, 8, PixelFormat::pf1bit)};
    EXPECT_EQ(WriteIconFile(dir.file("x.ico"), smallMask, IconDepth::Bits8), kIconUnreadable);
    EXPECT_FALSE(std::filesystem::exists(dir.file("x.ico")));
}

TEST(IconFileResult, SidesAbove256AreRefused)
{
    TempFolder dir;
    EXPECT_EQ(WriteIconFile(dir.file("wide.ico"), solidIcon(257, 16), IconDepth::Bits24), kIconTooLarge);
    EXPECT_EQ(WriteIconFile(dir.file("tall.ico"), solidIcon(16, 257), IconDepth::Bits24), kIconTooLarge);
    EXPECT_FALSE(std::filesystem::exists(dir.file("wide.ico")));
    EXPECT_NE(IconResultMessage(kIconTooLarge).find("256"), std::string::npos);
}

TEST(IconFileResult, FolderThatDoesNotExistCannotBeCreated)
{
    TempFolder dir;
    EXPECT_EQ(WriteIconFile(dir.file("missing/x.ico"), solidIcon(16, 16), IconDepth::Bits8), kIconCreateFailed);
}

TEST(IconFileResult, FullDiskIsReportedNotPassedForSuccess)
{
    if (!std::filesystem::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    EXPECT_EQ(WriteIconFile("/dev/full", solidIcon(16, 16), IconDepth::Bits8), kIconWriteFailed);
}

TEST(IconFileResult, ExistingFileIsReplacedNotAppended)
{
    TempFolder dir;
    const std::string path = dir.file("old.ico");
    {
        std::ofstream old(path, std::ios::binary);
        old << std::string(5000, 'x');
    }
    ASSERT_EQ(WriteIconFile(path, solidIcon(16, 16), IconDepth::Bits32), kIconWritten);
    EXPECT_EQ(std::filesystem::file_size(path), 1150u);
}

TEST(IconFileResult, EveryCodeHasItsOwnMessage)
{
    std::vector<std::string> messages;
    for (int32_t code = kIconTooLarge; code <= kIconWritten; ++code)
        messages.push_back(IconResultMessage(code));
    std::sort(messages.begin(), messages.end());
    EXPECT_EQ(std::unique(messages.begin(), messages.end()), messages.end());
}

TEST(IconSetFile, OneSmallIconIsTheSingleImageFileByteForByte)
{
    for (const uint8_t code : {0, 1, 2, 3, 4}) {
        const TIcon icon{patternPicture(48, 48, {rgb(10, 20, 30), rgb(200, 100, 0)}),
                         borderMask(48, 48)};
        std::vector<uint8_t> single, set;
        ASSERT_EQ(IconFileBytes(icon, IconDepth(code), single), kIconWritten);
        ASSERT_EQ(IconSetFileBytes({icon}, IconDepth(code), set), kIconWritten);
        EXPECT_EQ(single, set) << int(code);
    }
}

TEST(IconSetFile, DirectoryPointsAtEachImageAndOnlyTheLargestIsPng)
{
    std::vector<TIcon> icons;
    for (const int side : {16, 256})
        icons.push_back({patternPicture(side, side, {rgb(1, 2, 3)}), borderMask(side, side)});
    std::vector<uint8_t> file;
    ASSERT_EQ(IconSetFileBytes(icons, IconDepth::Bits8, file), kIconWritten);
    EXPECT_EQ(le16(file, 4), 2u);
    const size_t first = 6, second = 6 + 16;
    EXPECT_EQ(file[first], 16);
    EXPECT_EQ(file[second], 0); // 256 is stored as 0
    EXPECT_EQ(le16(file, second + 6), 32u);
    const uint32_t pngAt = le32(file, second + 12);
    EXPECT_EQ(le32(file, first + 12) + le32(file, first + 8), pngAt);
    EXPECT_EQ(pngAt + le32(file, second + 8), file.size());
    const uint8_t signature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    EXPECT_TRUE(std::equal(std::begin(signature), std::end(signature), file.begin() + pngAt));
    EXPECT_EQ(le32(file, first + 12), 6u + 2 * 16);
}

TEST(IconSetFile, RefusesWhatASingleFileRefuses)
{
    std::vector<uint8_t> file;
    EXPECT_EQ(IconSetFileBytes({}, IconDepth::Bits8, file), kIconNoBitmaps);
    const TIcon tooLarge{TBitmap(300, 300), TBitmap(300, 300, PixelFormat::pf1bit)};
    const TIcon good{patternPicture(16, 16, {rgb(1, 2, 3)}), borderMask(16, 16)};
    EXPECT_EQ(IconSetFileBytes({good, tooLarge}, IconDepth::Bits8, file), kIconTooLarge);
    EXPECT_EQ(IconSetFileBytes({good, TIcon{}}, IconDepth::Bits8, file), kIconNoBitmaps);
}

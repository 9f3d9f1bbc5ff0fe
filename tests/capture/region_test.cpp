#include "capture/region.h"

#include "platform/error.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

using namespace vistrel;

namespace {

std::vector<uint8_t> sampleMask()
{
    return WriteMask2(MakeRegion({{5, 1, 60, 20}, {2, 20, 190, 250}, {30, 250, 40, 253}}));
}

void putU32(std::vector<uint8_t> &bytes, size_t offset, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

bool contains(const RegionData &region, int x, int y)
{
    for (const TRect &r : region.rects)
        if (x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom)
            return true;
    return false;
}

} // namespace

TEST(Mask2, RoundTripKeepsRectanglesAndBounds)
{
    const std::vector<uint8_t> bytes = sampleMask();
    ASSERT_EQ(bytes.size(), 4u + 32u + 3u * 16u);
    EXPECT_EQ(bytes[0], 32 + 48); // S, little-endian
    const auto region = ReadMask2(bytes);
    ASSERT_TRUE(region);
    EXPECT_EQ(region->bounds, (TRect{2, 1, 190, 253}));
    ASSERT_EQ(region->rects.size(), 3u);
    EXPECT_EQ(region->rects[1], (TRect{2, 20, 190, 250}));
    EXPECT_EQ(WriteMask2(region), bytes);
}

TEST(Mask2, ZeroSizeMeansNoRegion)
{
    const std::vector<uint8_t> none = WriteMask2(std::nullopt);
    EXPECT_EQ(none, std::vector<uint8_t>(4, 0));
    EXPECT_FALSE(ReadMask2(none));
}

TEST(Mask2, TruncatedOrOverlongDataIsRefused)
{
    const std::vector<uint8_t> bytes = sampleMask();
    for (size_t keep : {size_t{0}, size_t{3}, size_t{4}, size_t{20}, bytes.size() - 1}) {
        const std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<long>(keep));
        EXPECT_THROW(ReadMask2(cut), Error) << keep;
    }
    std::vector<uint8_t> longer = bytes;
    longer.push_back(0);
    EXPECT_THROW(ReadMask2(longer), Error);
}

TEST(Mask2, LyingSizesAndCountsAreRefused)
{
    struct Lie {
        size_t offset;
        uint32_t value;
    };
    // Offsets count from the start of the value: S at 0, then the header at 4.
    const Lie lies[] = {
        {0, 0xffffffffu}, // negative S
        {0, 0x7fffffffu}, // S far beyond any region
        {4, 40},          // header size
        {8, 2},           // not a rectangle region
        {12, 4},          // more rectangles than bytes
        {12, 2},          // fewer rectangles than bytes
        {12, 0x10000000u},
        {16, 17},         // rectangle bytes disagree with the count
    };
    for (const Lie &lie : lies) {
        std::vector<uint8_t> bytes = sampleMask();
        putU32(bytes, lie.offset, lie.value);
        EXPECT_THROW(ReadMask2(bytes), Error) << lie.offset << " " << lie.value;
    }
}

TEST(Mask2, EmptyRectanglesAndRectanglesOutsideTheBoundsAreRefused)
{
    std::vector<uint8_t> inverted = sampleMask();
    putU32(inverted, 4 + 32 + 8, 1); // first rectangle's right before its left
    EXPECT_THROW(ReadMask2(inverted), Error);

    std::vector<uint8_t> outside = sampleMask();
    putU32(outside, 4 + 28, 100); // bounding bottom above the rectangles
    EXPECT_THROW(ReadMask2(outside), Error);
}

TEST(LauncherMask, ShapesTheWindowLikeACamera)
{
    std::ifstream file(CAPTURE_RESOURCES_DIR "/launcher.mask2", std::ios::binary);
    ASSERT_TRUE(file);
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    const auto region = ReadMask2(bytes);
    ASSERT_TRUE(region);
    EXPECT_GT(region->rects.size(), 10u); // an outline, not a rectangle
    EXPECT_GE(region->bounds.Left, 0);
    EXPECT_GE(region->bounds.Top, 0);
    EXPECT_LE(region->bounds.Right, 193);
    EXPECT_LE(region->bounds.Bottom, 254);
    EXPECT_FALSE(contains(*region, 0, 0));
    EXPECT_TRUE(contains(*region, 100, 100));
    EXPECT_FALSE(contains(*region, 100, 5));  // between the viewfinder and the shutter button
    EXPECT_TRUE(contains(*region, 158, 10));  // the shutter button on top
}

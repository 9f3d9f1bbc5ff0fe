#include "widgets/collapse_geometry.h"

#include <gtest/gtest.h>

namespace vistrel {
namespace {

struct ButtonRectCase {
    const char *name;
    TAlign align;
    int clientWidth, clientHeight;
    TButtonWidthType type;
    int buttonWidth;
    bool beveled;
    TRect expected;
};

TEST(SplitterButtonRect, CentresTheButtonAlongTheBar)
{
    const ButtonRectCase cases[] = {
        {"main window's bar", alLeft, 10, 480, btwPixels, 211, false, {1, 134, 9, 345}},
        {"right bar, same arithmetic", alRight, 10, 480, btwPixels, 211, false, {1, 134, 9, 345}},
        {"horizontal bar", alTop, 300, 10, btwPixels, 100, false, {100, 1, 200, 9}},
        {"bevel narrows it across", alLeft, 10, 480, btwPixels, 211, true, {4, 134, 6, 345}},
        {"half the length", alBottom, 401, 10, btwPercentage, 50, false, {100, 1, 301, 9}},
        {"longer than the bar stays inside", alLeft, 10, 100, btwPixels, 300, false, {1, 1, 9, 99}},
        {"no length, no button", alLeft, 10, 480, btwPixels, 0, false, {0, 0, 0, 0}},
        {"zero percent, no button", alTop, 300, 10, btwPercentage, 0, false, {0, 0, 0, 0}},
    };
    for (const ButtonRectCase &c : cases)
        EXPECT_EQ(SplitterButtonRect(c.align, c.clientWidth, c.clientHeight, c.type, c.buttonWidth, c.beveled),
                  c.expected)
            << c.name;
}

TEST(ButtonWidth, NeverNegativeAndAtMostAHundredPercent)
{
    const struct {
        int width;
        TButtonWidthType type;
        int expected;
    } cases[] = {
        {211, btwPixels, 211}, {211, btwPercentage, 100}, {-5, btwPixels, 0},
        {-5, btwPercentage, 0}, {100, btwPercentage, 100}, {40, btwPercentage, 40},
    };
    for (const auto &c : cases)
        EXPECT_EQ(ClampButtonWidth(c.width, c.type), c.expected) << c.width << " type " << c.type;
}

TEST(ButtonClick, MovesOfSixPixelsAlongTheAxisAreDrags)
{
    const struct {
        TAlign align;
        TPoint release;
        bool click;
    } cases[] = {
        {alLeft, {105, 200}, true},  {alLeft, {106, 200}, false}, {alLeft, {94, 200}, false},
        {alLeft, {100, 400}, true},  {alRight, {95, 200}, true},   {alTop, {100, 205}, true},
        {alTop, {100, 206}, false},  {alBottom, {300, 195}, true}, {alBottom, {100, 194}, false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(IsButtonClick(c.align, {100, 200}, c.release), c.click)
            << "align " << c.align << " release " << c.release.X << "," << c.release.Y;
}

TEST(DraggedNeighbourSize, FollowsTheMouseTowardsTheBarsSideWithinLimits)
{
    const struct {
        TAlign align;
        int dx, dy;
        int expected;
    } cases[] = {
        {alLeft, 30, 0, 230},     {alLeft, -300, 0, 1},  {alLeft, 900, 0, 500}, {alRight, 30, 0, 170},
        {alTop, 0, -50, 150},     {alBottom, 0, -50, 250}, {alLeft, 0, 80, 200},
    };
    for (const auto &c : cases)
        EXPECT_EQ(DraggedNeighbourSize(c.align, 200, c.dx, c.dy, 1, 500), c.expected) << "align " << c.align;
}

TEST(ButtonLayout, ArrowsNearTheEndsAndTheGripBetween)
{
    // The main window's button: 8 by 211 pixels, a face of 5 pixels across.
    const ButtonLayout layout = LayoutButton(alLeft, 8, 211);
    EXPECT_EQ(layout.face, (TRect{2, 2, 7, 210}));
    EXPECT_EQ(layout.arrows[0], (TRect{2, 6, 7, 15}));
    EXPECT_EQ(layout.arrows[1], (TRect{2, 197, 7, 206}));
    EXPECT_EQ(layout.grip, (TRect{2, 19, 7, 193}));

    // An even face is narrowed to an odd arrow, centred across it.
    const ButtonLayout even = LayoutButton(alTop, 100, 8 + 1);
    EXPECT_EQ(even.face.Height(), 6);
    EXPECT_EQ(even.arrows[0], (TRect{6, 2, 15, 7}));

    // Too short for a texture between the arrows.
    EXPECT_EQ(LayoutButton(alLeft, 8, 30).grip, TRect{});
}

TEST(ArrowTriangle, PointsAtTheNeighbourUnlessCollapsed)
{
    const TRect box{0, 0, 5, 9};
    EXPECT_EQ(ArrowTriangle(alLeft, false, box)[0], (TPoint{0, 4}));
    EXPECT_EQ(ArrowTriangle(alLeft, true, box)[0], (TPoint{4, 4}));
    EXPECT_EQ(ArrowTriangle(alRight, false, box)[0], (TPoint{4, 4}));
    const TRect flat{0, 0, 9, 5};
    EXPECT_EQ(ArrowTriangle(alTop, false, flat)[0], (TPoint{4, 0}));
    EXPECT_EQ(ArrowTriangle(alTop, true, flat)[0], (TPoint{4, 4}));
    EXPECT_EQ(ArrowTriangle(alBottom, false, flat)[0], (TPoint{4, 4}));
}

TEST(DerivedHighlightColor, LiesBetweenCaptionAndFace)
{
    EXPECT_EQ(DerivedHighlightColor(0x000080, 0xC0C0C0), 0x8888ADu);
    EXPECT_EQ(DerivedHighlightColor(0x102030, 0x102030), 0x102030u);
    EXPECT_EQ(DerivedHighlightColor(0xFFFFFF, 0x000000), 0x4B4B4Bu);
}

TEST(CollapseState, ButtonCollapsesAndRestoresThePreviousSize)
{
    CollapseState state;
    EXPECT_EQ(state.RestoreSize(), -1);
    state.NoteStartSize(200);
    state.NoteStartSize(50);
    EXPECT_EQ(state.RestoreSize(), 200);

    CollapseStep step = state.SetMaximized(true, 180, 1);
    EXPECT_TRUE(state.Maximized());
    EXPECT_EQ(state.RestoreSize(), 180);
    EXPECT_TRUE(step.move);
    EXPECT_EQ(step.moveTo, 1);
    EXPECT_EQ(step.event, SplitterEvent::Maximize);

    step = state.SetMaximized(true, 1, 1);
    EXPECT_FALSE(step.move);
    EXPECT_EQ(step.event, SplitterEvent::None);

    step = state.SetMaximized(false, 1, 1);
    EXPECT_FALSE(state.Maximized());
    EXPECT_EQ(step.moveTo, 180);
    EXPECT_EQ(step.event, SplitterEvent::Restore);
}

TEST(CollapseState, DraggingToMinSizeCollapsesAndDraggingOutRestores)
{
    const struct {
        bool maximizedBefore;
        int draggedTo;
        bool maximizedAfter;
        bool moved;
        SplitterEvent event;
        int restoreSize;
    } cases[] = {
        {false, 0, true, true, SplitterEvent::Maximize, 200},
        {false, 1, true, true, SplitterEvent::Maximize, 200},
        {false, 120, false, false, SplitterEvent::None, 120},
        {true, 1, true, true, SplitterEvent::None, 200},
        {true, 90, false, false, SplitterEvent::Restore, 90},
    };
    for (const auto &c : cases) {
        CollapseState state;
        state.setRestoreSize(200);
        if (c.maximizedBefore)
            state.SetMaximized(true, 200, 1);
        const CollapseStep step = state.AfterDrag(c.draggedTo, 1);
        EXPECT_EQ(state.Maximized(), c.maximizedAfter) << c.draggedTo;
        EXPECT_EQ(step.move, c.moved) << c.draggedTo;
        if (step.move) {
            EXPECT_EQ(step.moveTo, 1);
        }
        EXPECT_EQ(step.event, c.event) << c.draggedTo;
        EXPECT_EQ(state.RestoreSize(), c.restoreSize) << c.draggedTo;
    }
}

} // namespace
} // namespace vistrel

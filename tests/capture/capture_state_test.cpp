#include "capture/capture_state.h"

#include "platform/error.h"

#include <gtest/gtest.h>

using namespace vistrel;

namespace {

// Applies every outline an event draws to a layer that stands for the screen.
struct Screen {
    CaptureState state;
    XorLayer layer;

    void apply(const std::vector<Outline> &drawn)
    {
        for (const Outline &outline : drawn)
            layer.toggle(outline);
    }
    void drag(Point from, Point to)
    {
        apply(state.FormMouseDown(from));
        apply(state.FormMouseMove({(from.x + to.x) / 2, (from.y + to.y) / 2}));
        apply(state.FormMouseMove(to));
        state.FormMouseUp(to);
    }
};

const TRect kEmpty{};

} // namespace

TEST(ShotArea, DraggedUpAndLeftGivesTheInsetOrderedRectangle)
{
    const TRect area = ShotArea({300, 200, 100, 50}, {0, 0, 1024, 768});
    EXPECT_EQ(area, (TRect{101, 51, 299, 199}));
    EXPECT_EQ(area.Width(), 198);
    EXPECT_EQ(area.Height(), 148);
}

TEST(ShotArea, NoRectangleTakesTheWholeOverlayLessItsBorder)
{
    const TRect area = ShotArea(kEmpty, {0, 0, 1024, 768});
    EXPECT_EQ(area, (TRect{1, 1, 1023, 767}));
    // Only a missing height stands for "no rectangle", as a dropped selection has none.
    EXPECT_EQ(ShotArea({40, 10, 90, 10}, {0, 0, 1024, 768}), (TRect{1, 1, 1023, 767}));
}

TEST(ShotArea, SelectionsNarrowerThanThreePixelsAreRefused)
{
    EXPECT_THROW(ShotArea({10, 10, 12, 80}, {0, 0, 1024, 768}), Error);
    EXPECT_THROW(ShotArea({10, 10, 80, 12}, {0, 0, 1024, 768}), Error);
    EXPECT_THROW(ShotArea({10, 10, 10, 80}, {0, 0, 1024, 768}), Error);
    EXPECT_EQ(ShotArea({10, 10, 13, 13}, {0, 0, 1024, 768}), (TRect{11, 11, 12, 12}));
}

TEST(XorLayer, DrawingAnOutlineTwiceTakesItAway)
{
    XorLayer layer;
    const Outline dotted{{1, 2, 30, 40}, PenStyle::Dotted};
    const Outline dashed{{1, 2, 30, 40}, PenStyle::Dashed};
    layer.toggle(dotted);
    layer.toggle(dashed);
    layer.toggle(dotted);
    ASSERT_EQ(layer.outlines().size(), 1u);
    EXPECT_EQ(layer.outlines()[0], dashed);
}

TEST(SingleShot, DragLeavesOneDottedOutlineAndSetsAllRectangles)
{
    Screen screen;
    screen.apply(screen.state.FormActivate());
    screen.drag({300, 200}, {100, 50});
    const TRect dragged{300, 200, 100, 50};
    EXPECT_EQ(screen.state.SelRect, dragged);
    EXPECT_EQ(screen.state.ShownRect, dragged);
    EXPECT_EQ(screen.state.KeptRect, dragged);
    EXPECT_FALSE(screen.state.Drawing);
    ASSERT_EQ(screen.layer.outlines().size(), 1u);
    EXPECT_EQ(screen.layer.outlines()[0], (Outline{{100, 50, 300, 200}, PenStyle::Dotted}));
}

TEST(SingleShot, NewPressRemovesThePreviousOutlineAndClearsTheRectangles)
{
    Screen screen;
    screen.drag({10, 10}, {60, 70});
    screen.apply(screen.state.FormMouseDown({200, 200}));
    EXPECT_TRUE(screen.layer.outlines().empty());
    EXPECT_EQ(screen.state.SelRect, kEmpty);
    EXPECT_EQ(screen.state.KeptRect, kEmpty);
    EXPECT_TRUE(screen.state.Drawing);
    EXPECT_EQ(screen.state.AnchorPoint, (Point{200, 200}));
}

TEST(SingleShot, WrittenShotTakesItsOutlineAwayButKeepsTheSelection)
{
    Screen screen;
    screen.drag({10, 10}, {60, 70});
    screen.apply(screen.state.ShotWritten());
    EXPECT_TRUE(screen.layer.outlines().empty());
    EXPECT_EQ(screen.state.ShownRect, kEmpty);
    EXPECT_EQ(screen.state.SelRect, (TRect{10, 10, 60, 70}));
    // A second shot of the same selection has no outline left to remove.
    screen.apply(screen.state.ShotWritten());
    EXPECT_TRUE(screen.layer.outlines().empty());
}

TEST(SingleShot, ReleaseOnThePressedColumnOrRowDropsTheSelection)
{
    for (const Point release : {Point{10, 90}, Point{90, 10}}) {
        Screen screen;
        screen.apply(screen.state.FormMouseDown({10, 10}));
        screen.apply(screen.state.FormMouseMove({40, 40}));
        screen.apply(screen.state.FormMouseMove(release));
        screen.state.FormMouseUp(release);
        EXPECT_EQ(screen.state.SelRect, kEmpty);
        EXPECT_EQ(screen.state.ShownRect, kEmpty);
        EXPECT_EQ(screen.state.KeptRect, kEmpty);
        EXPECT_EQ(screen.state.UpPoint, release);
        EXPECT_TRUE(screen.layer.outlines().empty()); // a line has no inside to outline
    }
}

TEST(SingleShot, ActivationForgetsTheShownOutlineButNotTheSelection)
{
    Screen screen;
    screen.drag({10, 10}, {60, 70});
    screen.apply(screen.state.FormActivate());
    EXPECT_EQ(screen.state.ShownRect, kEmpty);
    EXPECT_EQ(screen.state.SelRect, (TRect{10, 10, 60, 70}));
    EXPECT_EQ(screen.layer.outlines().size(), 1u);
}

TEST(MultiPicture, ActivationDrawsTheKeptRectangleDashed)
{
    Screen screen;
    screen.state.SingleShoot = false;
    screen.state.KeptRect = {300, 200, 100, 50};
    screen.apply(screen.state.FormActivate());
    EXPECT_EQ(screen.state.SelRect, (TRect{300, 200, 100, 50}));
    ASSERT_EQ(screen.layer.outlines().size(), 1u);
    EXPECT_EQ(screen.layer.outlines()[0], (Outline{{100, 50, 300, 200}, PenStyle::Dashed}));
    // A press takes the remembered outline away before the new drag.
    screen.apply(screen.state.FormMouseDown({5, 5}));
    EXPECT_TRUE(screen.layer.outlines().empty());
    EXPECT_EQ(screen.state.KeptRect, (TRect{300, 200, 100, 50}));
}

TEST(MultiPicture, WithoutKeptRectangleNothingIsDrawn)
{
    Screen screen;
    screen.state.SingleShoot = false;
    screen.apply(screen.state.FormActivate());
    EXPECT_TRUE(screen.layer.outlines().empty());
    EXPECT_EQ(screen.state.SelRect, kEmpty);
}

TEST(MultiPicture, CaptureLeavesTheOutlineAndTheRectangleForTheNextOverlay)
{
    Screen screen;
    screen.state.SingleShoot = false;
    screen.apply(screen.state.FormActivate());
    screen.drag({20, 30}, {120, 90});
    screen.apply(screen.state.ShotWritten());
    EXPECT_EQ(screen.layer.outlines().size(), 1u);
    EXPECT_EQ(screen.state.KeptRect, (TRect{20, 30, 120, 90}));
    EXPECT_EQ(screen.state.ShownRect, kEmpty);
}

TEST(Nudge, MovesTheSelectionOrItsFarEdgesWithinTheScreenAndKeepsOneOutline)
{
    const TRect bounds{0, 0, 400, 300};
    const struct {
        bool single, shotFirst;
        int dx, dy;
        bool edges;
        TRect selection; // after the nudge of the drag (300, 200)-(100, 50)
    } cases[] = {
        {true, false, 1, 0, false, {101, 50, 301, 200}},   {true, false, 0, -10, false, {100, 40, 300, 190}},
        {true, false, 10, 1, true, {100, 50, 310, 201}},   {false, false, -1, 0, true, {100, 50, 299, 200}},
        {true, true, 0, 1, false, {100, 51, 300, 201}},    {false, true, 0, 1, false, {100, 51, 300, 201}},
        {true, false, 0, 101, false, {100, 50, 300, 200}}, {true, false, -200, 0, true, {100, 50, 300, 200}},
    };
    for (const auto &c : cases) {
        Screen screen;
        screen.state.SingleShoot = c.single;
        screen.drag({300, 200}, {100, 50});
        if (c.shotFirst)
            screen.apply(screen.state.ShotWritten());
        screen.apply(screen.state.Nudge(c.dx, c.dy, c.edges, bounds));
        EXPECT_EQ(NormalizeRect(screen.state.SelRect), c.selection) << c.dx << "," << c.dy;
        EXPECT_EQ(NormalizeRect(screen.state.KeptRect), c.selection);
        ASSERT_EQ(screen.layer.outlines().size(), 1u) << c.dx << "," << c.dy;
        EXPECT_EQ(screen.layer.outlines()[0].rect, c.selection);
    }
    Screen none;
    none.apply(none.state.Nudge(1, 1, false, bounds));
    EXPECT_TRUE(none.layer.outlines().empty());
}

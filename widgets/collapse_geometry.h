#pragma once

#include "platform/rect.h"

#include <array>
#include <cstdint>

namespace vistrel {

// Which side of its parent a bar hugs; the neighbour it collapses lies on that side.
enum TAlign { alLeft, alRight, alTop, alBottom };
enum TButtonWidthType { btwPixels, btwPercentage };

struct TPoint {
    int X = 0;
    int Y = 0;
    bool operator==(const TPoint &o) const { return X == o.X && Y == o.Y; }
};

// A bar aligned left or right stands upright: its length runs along y, its thickness along x.
inline bool IsUprightBar(TAlign align) { return align == alLeft || align == alRight; }

// Never below 0; a percentage never above 100.
int ClampButtonWidth(int buttonWidth, TButtonWidthType type);

// The button centred along the bar's length, one pixel clear of the bar's edges across it (four
// with a bevel). Empty when the button has no length.
TRect SplitterButtonRect(TAlign align, int clientWidth, int clientHeight, TButtonWidthType type, int buttonWidth,
                         bool beveled);

bool RectContains(const TRect &rect, TPoint point);

// Whether the point lies within the button's span along the bar's length (the arrow cursor shows
// there, since a press may be a click rather than a drag).
bool WithinButtonSpan(TAlign align, const TRect &button, TPoint point);

// A press and release on the button count as a click while the mouse moved less than 6 pixels
// along the bar's axis.
bool IsButtonClick(TAlign align, TPoint press, TPoint release);

// The neighbour's size after dragging the bar by (dx, dy) from a neighbour of startSize; never
// below minSize nor above maxSize.
int DraggedNeighbourSize(TAlign align, int startSize, int dx, int dy, int minSize, int maxSize);

// Where the parts of the button go, in the button's own coordinates.
struct ButtonLayout {
    TRect face;                 // inside the frame and the white lines
    std::array<TRect, 2> arrows; // the boxes of the two arrows, near each end of the face
    TRect grip;                 // between the arrows; empty when too small for the texture
};
ButtonLayout LayoutButton(TAlign align, int buttonWidth, int buttonHeight);

// The triangle inside an arrow box, pointing towards the neighbour, or away from it while the
// neighbour is collapsed (the way the bar will move).
std::array<TPoint, 3> ArrowTriangle(TAlign align, bool maximized, const TRect &box);

// A highlight between the active caption colour and the button face (0xRRGGBB each).
std::uint32_t DerivedHighlightColor(std::uint32_t captionRgb, std::uint32_t faceRgb);

enum class SplitterEvent { None, Maximize, Restore };

// What a collapse, a restore or the end of a drag does, apart from moving pixels.
struct CollapseStep {
    bool move = false; // whether the neighbour is to be sized to moveTo
    int moveTo = 0;
    SplitterEvent event = SplitterEvent::None;
};

// The bar's collapsed state and the size to come back to.
class CollapseState {
public:
    bool Maximized() const { return maximized_; }
    int RestoreSize() const { return restoreSize_; }
    void setRestoreSize(int size) { restoreSize_ = size; }
    // Only the first known size counts: the neighbour's size when the bar is laid out.
    void NoteStartSize(int neighbourSize);

    CollapseStep SetMaximized(bool maximized, int neighbourSize, int minSize);
    CollapseStep AfterDrag(int neighbourSize, int minSize);

private:
    bool maximized_ = false;
    int restoreSize_ = -1;
};

} // namespace vistrel

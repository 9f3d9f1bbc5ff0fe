#pragma once

#include "platform/bitmap.h"
#include "platform/rect.h"

#include <cstdint>

namespace vistrel {

// The rubber-band selection, one for the whole program. Coordinates are those of the document
// window's client area: x as in the picture control, y as in the picture control plus the tool
// bar's height. (SelX1, SelY1) is where the button went down, (SelX2, SelY2) the moving corner;
// they are kept in the order the mouse gave them.
struct TSelection {
    int32_t SelX1 = 0;
    int32_t SelY1 = 0;
    int32_t SelX2 = 0;
    int32_t SelY2 = 0;

    bool Exists() const { return SelX1 != SelX2 && SelY1 != SelY2; }
    void Clear() { *this = TSelection{}; }
};

TSelection &ProgramSelection();

struct TMouseState {
    bool left = false;
    bool right = false;
    bool middle = false;
    bool shift = false;
    bool ctrl = false;
    bool alt = false;
    bool doubleClick = false;
};

// Selecting reacts only to the left button alone: no other button, modifier or double click.
bool IsPlainLeftButton(const TMouseState &state);

void BeginSelection(TSelection &selection, int x, int y, int toolBarHeight);
void ExtendSelection(TSelection &selection, int x, int y, int toolBarHeight);
void SelectAll(TSelection &selection, int imageWidth, int imageHeight, int toolBarHeight);

// The selection in picture coordinates, ordered so that Left <= Right and Top <= Bottom.
TRect SelectionSourceRect(const TSelection &selection, int toolBarHeight);

// The unscaled picture's pixels under the selection's coordinates as a 24-bit bitmap, whatever
// the zoom. Parts outside the picture stay black. Empty when the selection has no area.
TBitmap CopySelectionPixels(const TBitmap &picture, const TSelection &selection, int toolBarHeight);

} // namespace vistrel

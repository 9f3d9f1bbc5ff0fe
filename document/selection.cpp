#include "document/selection.h"

#include <algorithm>
#include <cstring>

namespace vistrel {

TSelection &ProgramSelection()
{
    static TSelection selection;
    return selection;
}

bool IsPlainLeftButton(const TMouseState &state)
{
    return state.left && !state.right && !state.middle && !state.shift && !state.ctrl && !state.alt
           && !state.doubleClick;
}

void BeginSelection(TSelection &selection, int x, int y, int toolBarHeight)
{
    selection.SelX1 = selection.SelX2 = x;
    selection.SelY1 = selection.SelY2 = y + toolBarHeight;
}

void ExtendSelection(TSelection &selection, int x, int y, int toolBarHeight)
{
    selection.SelX2 = x;
    selection.SelY2 = y + toolBarHeight;
}

void SelectAll(TSelection &selection, int imageWidth, int imageHeight, int toolBarHeight)
{
    selection.SelX1 = 0;
    selection.SelY1 = toolBarHeight;
    selection.SelX2 = imageWidth;
    selection.SelY2 = imageHeight + toolBarHeight;
}

TRect SelectionSourceRect(const TSelection &selection, int toolBarHeight)
{
    const int top1 = selection.SelY1 - toolBarHeight;
    const int top2 = selection.SelY2 - toolBarHeight;
    return TRect{std::min(selection.SelX1, selection.SelX2), std::min(top1, top2),
                 std::max(selection.SelX1, selection.SelX2), std::max(top1, top2)};
}

namespace {

void copyRowSpan(const TBitmap &picture, int y, int left, int right, uint8_t *out)
{
    if (picture.pixelFormat() == PixelFormat::pf24bit) {
        std::memcpy(out, picture.scanLine(y) + static_cast<size_t>(left) * 3, static_cast<size_t>(right - left) * 3);
        return;
    }
    for (int x = left; x < right; ++x, out += 3) {
        const PaletteEntry c = picture.pixel(x, y);
        out[0] = c.b;
        out[1] = c.g;
        out[2] = c.r;
    }
}

} // namespace

TBitmap CopySelectionPixels(const TBitmap &picture, const TSelection &selection, int toolBarHeight)
{
    const TRect source = SelectionSourceRect(selection, toolBarHeight);
    if (source.Width() == 0 || source.Height() == 0)
        return TBitmap();
    TBitmap result(source.Width(), source.Height(), PixelFormat::pf24bit);
    const int left = std::max(source.Left, 0);
    const int right = std::min(source.Right, picture.width());
    const int top = std::max(source.Top, 0);
    const int bottom = std::min(source.Bottom, picture.height());
    for (int y = top; y < bottom && left < right; ++y)
        copyRowSpan(picture, y, left, right,
                    result.scanLine(y - source.Top) + static_cast<size_t>(left - source.Left) * 3);
    return result;
}

} // namespace vistrel

#include "document/zoom.h"

#include <algorithm>
#include <cstdint>

namespace vistrel {

namespace {

int fifteenPercent(int size)
{
    return static_cast<int>(static_cast<int64_t>(size) * 15 / 100);
}

// The first step in a new window starts from the natural size.
void prepareStep(TZoomView &view)
{
    if (!view.ZoomReady)
        ResetZoom(view);
    view.Stretch = true;
}

} // namespace

int ZoomedInSize(int size)
{
    return static_cast<int>(std::min<int64_t>(int64_t{size} + fifteenPercent(size), kMaxZoomedSide));
}

int ZoomedOutSize(int size)
{
    return size - fifteenPercent(size);
}

void ZoomIn(TZoomView &view)
{
    prepareStep(view);
    view.ImageW = ZoomedInSize(view.ImageW);
    view.ImageH = ZoomedInSize(view.ImageH);
    FitWindowToImage(view);
}

void ZoomOut(TZoomView &view)
{
    prepareStep(view);
    view.ImageW = ZoomedOutSize(view.ImageW);
    view.ImageH = ZoomedOutSize(view.ImageH);
    FitWindowToImage(view);
}

void FitWindowToImage(TZoomView &view)
{
    view.ClientW = view.ImageW;
    view.ClientH = view.ToolBarH + view.ImageH + view.StatusBarH;
    view.HorzScrollBar = view.ImageW >= view.PictureW;
    view.VertScrollBar = view.ImageH >= view.PictureH;
}

void FitToArea(TZoomView &view, int areaW, int areaH)
{
    prepareStep(view);
    const int roomW = std::max(areaW, 1);
    const int roomH = std::max(areaH - view.ToolBarH - view.StatusBarH, 1);
    if (view.PictureW <= 0 || view.PictureH <= 0)
        return;
    // Exact in integers: the side that limits the scale fills its room.
    if (int64_t{roomW} * view.PictureH <= int64_t{roomH} * view.PictureW) {
        view.ImageW = roomW;
        view.ImageH = static_cast<int>(std::max<int64_t>(int64_t{roomW} * view.PictureH / view.PictureW, 1));
    } else {
        view.ImageH = roomH;
        view.ImageW = static_cast<int>(std::max<int64_t>(int64_t{roomH} * view.PictureW / view.PictureH, 1));
    }
    FitWindowToImage(view);
}

void ResetZoom(TZoomView &view)
{
    view.VertScrollBar = true;
    view.HorzScrollBar = true;
    if (view.PictureW == 0)
        view.PictureW = view.ImageW;
    view.ImageW = view.PictureW;
    if (view.PictureH == 0)
        view.PictureH = view.ImageH;
    view.ImageH = view.PictureH;
    view.Stretch = false;
    view.ZoomReady = true;
    view.ClientW = view.FormW;
    view.ClientH = view.FormH;
}

} // namespace vistrel

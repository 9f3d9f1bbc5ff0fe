#pragma once

namespace vistrel {

// What the zoom steps read and write of a document window, in screen pixels. The window copies
// its controls' sizes in, runs a step and applies the result, so the arithmetic needs no display.
struct TZoomView {
    int PictureW = 0; // natural size; 0 when not known (a pasted picture)
    int PictureH = 0;
    int FormW = 0; // client size at natural size
    int FormH = 0;
    bool ZoomReady = false;

    int ImageW = 0; // the picture control
    int ImageH = 0;
    bool Stretch = false;

    int ClientW = 0; // the window's client area
    int ClientH = 0;
    int ToolBarH = 0;
    int StatusBarH = 0;

    bool HorzScrollBar = true;
    bool VertScrollBar = true;
};

// Largest control side a zoom step produces; repeated steps stop growing there instead of
// overflowing.
constexpr int kMaxZoomedSide = 16777215;

// One step of 15 %, truncated: sizes of 6 or less no longer change.
int ZoomedInSize(int size);
int ZoomedOutSize(int size);

void ZoomIn(TZoomView &view);
void ZoomOut(TZoomView &view);
void FitWindowToImage(TZoomView &view);
// Stretches the picture, proportions kept, to the largest size whose window client area (picture
// and bars) fits areaW x areaH, and fits the window to it.
void FitToArea(TZoomView &view, int areaW, int areaH);
void ResetZoom(TZoomView &view);

} // namespace vistrel

#pragma once

#include "platform/bitmap.h"
#include "platform/rect.h"

namespace vistrel {

// The colours of a tile's background and 3-D frame (the outer frame's dark edge is black).
struct TilePalette {
    PaletteEntry Face{0xF0, 0xF0, 0xF0};
    PaletteEntry Highlight{0xFF, 0xFF, 0xFF};
    PaletteEntry Shadow{0xA0, 0xA0, 0xA0};
};

// Where a picture of pictureW × pictureH goes on a tile: the usable area ends 2 pixels before
// the right and bottom edges; a picture that fits is centred unscaled, a larger one is scaled
// with its proportions kept (sizes rounded half to even) and centred along the other side.
struct TilePlacement {
    TRect Target;
    bool Scaled = false;
};
TilePlacement PlaceOnTile(int tileW, int tileH, int pictureW, int pictureH);

// The size a picture of pictureW × pictureH gets inside a box × box square without being
// enlarged, rounded as on a tile; never below 1 × 1.
struct PictureSize {
    int Width = 0;
    int Height = 0;
};
PictureSize FitInBox(int pictureW, int pictureH, int box);

// A framed tile. An empty picture gives the placeholder tile. The geometry follows the
// picture's original size (fullW × fullH), while picture itself may be a reduced copy.
TBitmap RenderTile(const TBitmap &picture, int fullW, int fullH, int tileW, int tileH, const TilePalette &colours);

// The picture stretched to size as a 24-bit bitmap (itself when it has that size already).
TBitmap ResizedTo(TBitmap picture, PictureSize size);

} // namespace vistrel

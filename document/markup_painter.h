#pragma once

#include "document/markup.h"
#include "platform/bitmap.h"

#include <QImage>
#include <QRect>
#include <QSizeF>

#include <cstdint>
#include <optional>
#include <vector>

class QPainter;

namespace vistrel {

// Draws one mark in picture pixels, each point at the centre of its pixel; the caller scales the
// painter for the zoom.
void PaintMark(QPainter &painter, const Mark &mark);
// The windows' MarkPainter: draws the marks into the picture's own rows.
void PaintMarksInto(TBitmap &picture, const std::vector<Mark> &marks);
// The picture pixels a mark covers once drawn; for text measured with its font.
QRect PaintedBounds(const Mark &mark);

// The marks of one view at its zoom. The marks that are not being edited are kept drawn in an
// image of the visible part, so a frame while dragging draws that image and one mark, however
// many marks there are.
class TMarkCanvas {
public:
    struct View {
        QRect exposed;  // what to paint, in widget pixels
        QRect visible;  // what the cached image is to cover
        QSizeF scale;   // widget pixels per picture pixel
        uint64_t revision = 0; // of the marks, see PictureDocument::MarksRevision
    };
    // Paints `marks` except the one at `editing` (-1 for none), then `active` above them.
    void Paint(QPainter &painter, const View &view, const std::vector<Mark> &marks, int editing,
               const std::optional<Mark> &active);

private:
    void redraw(const View &view, const std::vector<Mark> &marks, int editing);

    QImage cache_;
    QRect cacheRect_;
    QSizeF cacheScale_;
    uint64_t cacheRevision_ = 0;
    int cacheEditing_ = -1;
};

} // namespace vistrel

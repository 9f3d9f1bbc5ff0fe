// Redrawing a document window with 500 marks on a 4000 x 3000 picture while one mark is dragged:
// prints the milliseconds per frame (the picture's exposed part plus the marks) at 100 % and at a
// quarter, beside the cost of drawing every mark each frame, and the cost of drawing all the marks
// into the picture on saving. A frame must stay under 16 ms to keep up with the pointer.
#include "document/markup_painter.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPainter>

#include <cstdio>
#include <random>

namespace {

using namespace vistrel;

std::vector<Mark> randomMarks(int count, int width, int height)
{
    std::mt19937 random(7);
    const auto coordinate = [&](int limit) { return static_cast<int>(random() % limit); };
    std::vector<Mark> marks;
    for (int i = 0; i < count; ++i) {
        Mark mark;
        mark.kind = static_cast<MarkKind>(i % 8);
        mark.colour = {static_cast<uint8_t>(random()), static_cast<uint8_t>(random()), static_cast<uint8_t>(random())};
        mark.width = 1 + coordinate(12);
        mark.number = i;
        mark.text = "Marked here";
        const MarkPoint at{coordinate(width), coordinate(height)};
        mark.points = {at};
        for (int p = 0; p < (mark.kind == MarkKind::Pen || mark.kind == MarkKind::Highlighter ? 60 : 1); ++p)
            mark.points.push_back({at.x + coordinate(400) - 200, at.y + coordinate(400) - 200});
        marks.push_back(mark);
    }
    return marks;
}

// One frame as the window draws it: the picture's exposed part, then the marks above it.
void frame(QPainter &screen, const QImage &picture, double zoom, TMarkCanvas &canvas, const TMarkCanvas::View &view,
           const std::vector<Mark> &marks, int editing, const std::optional<Mark> &active)
{
    screen.save();
    screen.setClipRect(view.exposed);
    screen.drawImage(QRectF(0, 0, picture.width() * zoom, picture.height() * zoom), picture);
    screen.restore();
    canvas.Paint(screen, view, marks, editing, active);
}

void measure(const char *what, const QImage &picture, double zoom, const std::vector<Mark> &marks)
{
    QImage screenImage(1280, 1024, QImage::Format_RGB32);
    QPainter screen(&screenImage);
    TMarkCanvas canvas;
    const QRect visible = screenImage.rect();
    TMarkCanvas::View view{visible, visible, QSizeF(zoom, zoom), 1};
    const int editing = 10;
    QElapsedTimer timer;
    timer.start();
    frame(screen, picture, zoom, canvas, view, marks, editing, marks[editing]);
    const double firstFrame = timer.nsecsElapsed() / 1e6;

    constexpr int kFrames = 200;
    timer.restart();
    for (int i = 0; i < kFrames; ++i) { // the dragged mark moves; only around it is exposed
        const Mark moved = MovedMark(marks[editing], i % 50, i % 30);
        const QRect around = PaintedBounds(moved).united(PaintedBounds(marks[editing]));
        view.exposed = QRectF(around.x() * zoom, around.y() * zoom, around.width() * zoom, around.height() * zoom)
                           .toAlignedRect()
                           .intersected(visible);
        frame(screen, picture, zoom, canvas, view, marks, editing, moved);
    }
    const double dragFrame = timer.nsecsElapsed() / 1e6 / kFrames;

    view.exposed = visible;
    timer.restart();
    for (int i = 0; i < 20; ++i) { // a new revision each frame: every mark is drawn again
        view.revision = 100 + i;
        frame(screen, picture, zoom, canvas, view, marks, editing, marks[editing]);
    }
    const double everyMark = timer.nsecsElapsed() / 1e6 / 20;
    std::printf("%-22s first frame %6.1f ms, drag frame %6.2f ms, whole view %6.1f ms with all marks redrawn\n", what,
                firstFrame, dragFrame, everyMark);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    constexpr int kWidth = 4000, kHeight = 3000;
    TBitmap picture(kWidth, kHeight);
    const QImage shown(picture.scanLine(0), kWidth, kHeight, static_cast<qsizetype>(picture.bytesPerLine()),
                       QImage::Format_BGR888);
    const std::vector<Mark> marks = randomMarks(500, kWidth, kHeight);
    std::printf("500 marks on a %d x %d picture, 1280 x 1024 view\n", kWidth, kHeight);
    measure("at 100 %:", shown, 1.0, marks);
    measure("at 25 % (whole view):", shown, 0.25, marks);

    QElapsedTimer timer;
    timer.start();
    PaintMarksInto(picture, marks);
    std::printf("drawing them into the picture (saving): %.0f ms\n", timer.nsecsElapsed() / 1e6);
    return 0;
}

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
        // The dragged one (index 10) in view; strokes wander a few pixels per point, as a hand does.
        MarkPoint at = i == 10 ? MarkPoint{300, 300} : MarkPoint{coordinate(width), coordinate(height)};
        mark.points = {at};
        const bool stroke = mark.kind == MarkKind::Pen || mark.kind == MarkKind::Highlighter;
        for (int p = 0; p < (stroke ? 80 : 1); ++p) {
            at = stroke ? MarkPoint{at.x + coordinate(9) - 3, at.y + coordinate(9) - 3}
                        : MarkPoint{at.x + coordinate(400) - 200, at.y + coordinate(400) - 200};
            mark.points.push_back(at);
        }
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
    const auto wholeView = [&](bool redrawMarks) {
        timer.restart();
        for (int i = 0; i < 20; ++i) {
            view.revision += redrawMarks;
            frame(screen, picture, zoom, canvas, view, marks, editing, MovedMark(marks[editing], i, i));
        }
        return timer.nsecsElapsed() / 1e6 / 20;
    };
    const double cached = wholeView(false);
    const double everyMark = wholeView(true);
    std::printf("%-22s first %5.1f ms; dragging: %5.2f ms a frame, %5.1f ms for the whole view (%5.1f ms "
                "drawing every mark again)\n",
                what, firstFrame, dragFrame, cached, everyMark);
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

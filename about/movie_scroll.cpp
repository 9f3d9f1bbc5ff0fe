#include "about/movie_scroll.h"

#include "about/about_properties.h"

#include <QPainter>

namespace vistrel {

namespace {

constexpr int kCompleteTextPointSize = 20;

} // namespace

TMovieScroll::TMovieScroll(QWidget *parent) : QWidget(parent), font_(DesktopFont(QStringLiteral("Courier New"), 9))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(200, 100);
    scrollY_ = height() + 1;
    timer_.setTimerType(Qt::PreciseTimer); // one pixel at a time only looks smooth at an even pace
    timer_.setInterval(40);
    connect(&timer_, &QTimer::timeout, this, &TMovieScroll::Tick);
}

void TMovieScroll::SetScrollText(const QStringList &lines)
{
    text_ = lines;
    Layout();
}

void TMovieScroll::SetDefaultFont(const QFont &font, const QColor &color)
{
    font_ = font;
    fontColor_ = color;
    Layout();
}

void TMovieScroll::SetTimerInterval(int milliseconds) { timer_.setInterval(milliseconds); }

// Fonts and heights depend only on the text and the default font, so they are worked out once
// rather than on every frame.
void TMovieScroll::Layout()
{
    lines_.clear();
    heights_.clear();
    for (const TMovieLine &parsed : ParseMovieLines(text_)) {
        Line line;
        line.text = parsed.text;
        line.font = font_;
        if (parsed.style.fontName)
            line.font.setFamily(*parsed.style.fontName);
        if (parsed.style.pointSize)
            line.font.setPointSize(*parsed.style.pointSize);
        line.font.setBold(parsed.style.bold);
        line.font.setItalic(parsed.style.italic);
        line.font.setUnderline(parsed.style.underline);
        line.color = parsed.style.color.value_or(fontColor_);
        line.center = parsed.style.center;
        const QFontMetrics metrics(line.font);
        line.height = metrics.height();
        line.ascent = metrics.ascent();
        line.advance = metrics.horizontalAdvance(line.text);
        heights_.push_back(line.height);
        lines_.push_back(std::move(line));
    }
    update();
}

void TMovieScroll::Tick()
{
    --scrollY_;
    if (MovieTextPassed(scrollY_, heights_)) {
        if (Loop) {
            scrollY_ = height() + 1;
        } else {
            timer_.stop();
            completed_ = true;
        }
    }
    update();
}

void TMovieScroll::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), BackColor);
    if (completed_) {
        DrawCompleteText(painter);
        return;
    }
    int y = scrollY_;
    for (const Line &line : lines_) {
        if (y + line.height > 0 && y < height())
            DrawLine(painter, line, y);
        y += line.height;
    }
}

void TMovieScroll::DrawLine(QPainter &painter, const Line &line, int y) const
{
    painter.setFont(line.font);
    const int x = line.center ? (width() - line.advance) / 2 : 1;
    const int baseline = y + line.ascent;
    if (Shadow) {
        painter.setPen(ShadowColor);
        painter.drawText(x + ShadowOffset, baseline + ShadowOffset, line.text);
    }
    painter.setPen(line.color);
    painter.drawText(x, baseline, line.text);
}

void TMovieScroll::DrawCompleteText(QPainter &painter) const
{
    QFont font = font_;
    font.setBold(true);
    font.setPointSize(kCompleteTextPointSize);
    painter.setFont(font);
    painter.setPen(fontColor_);
    painter.drawText(rect(), Qt::AlignCenter, CompleteText);
}

void TMovieScroll::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    scrollY_ = height() + 1;
}

void TMovieScroll::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!completed_)
        timer_.start();
}

void TMovieScroll::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    timer_.stop();
}

} // namespace vistrel

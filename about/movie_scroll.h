#pragma once

#include "about/movie_markup.h"

#include <QColor>
#include <QFont>
#include <QTimer>
#include <QWidget>

#include <vector>

namespace vistrel {

// Credit lines rising through the control one pixel per timer tick, with a drop shadow; the
// text comes again from below with Loop, else ends on CompleteText. The timer runs only while
// the control is shown.
class TMovieScroll : public QWidget {
    Q_OBJECT
public:
    explicit TMovieScroll(QWidget *parent = nullptr);

    void SetScrollText(const QStringList &lines);
    void SetDefaultFont(const QFont &font, const QColor &color);
    void SetTimerInterval(int milliseconds);
    int TimerInterval() const { return timer_.interval(); }

    QColor BackColor = Qt::black;
    bool Loop = false;
    QString CompleteText = QStringLiteral("The End");
    bool Shadow = true;
    QColor ShadowColor = QColor(0x80, 0x80, 0x80);
    int ShadowOffset = 2;

    int ScrollY() const { return scrollY_; }
    bool Scrolling() const { return timer_.isActive(); }
    bool Completed() const { return completed_; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    struct Line {
        QString text;
        QFont font;
        QColor color;
        bool center = false;
        int height = 0;  // these three measured once, as laid out
        int ascent = 0;
        int advance = 0;
    };

    void Tick();
    void Layout();
    void DrawLine(QPainter &painter, const Line &line, int y) const;
    void DrawCompleteText(QPainter &painter) const;

    QStringList text_;
    QFont font_;
    QColor fontColor_ = Qt::white;
    std::vector<Line> lines_;
    std::vector<int> heights_;
    QTimer timer_;
    int scrollY_ = 0;
    bool completed_ = false;
};

} // namespace vistrel

#pragma once

#include "widgets/collapse_geometry.h"

#include <QColor>
#include <QPoint>
#include <QPointer>
#include <QWidget>

namespace vistrel {

// A splitter bar with a button in its middle: dragging the bar sizes the neighbour on its aligned
// side; clicking the button collapses the neighbour to MinSize and clicking again brings it back.
// Inside a box layout the neighbour is the next shown widget on the aligned side; the bar sizes it
// by fixing its width (upright bar) or height.
class TCollapseSplitter : public QWidget {
    Q_OBJECT
public:
    explicit TCollapseSplitter(QWidget *parent = nullptr);

    QString Version() const { return QStringLiteral("TCollapseSplitter v1.10"); }

    TAlign Align() const { return align_; }
    void setAlign(TAlign align);
    int MinSize() const { return minSize_; }
    void setMinSize(int size) { minSize_ = std::max(size, 0); }
    bool Beveled() const { return beveled_; }
    void setBeveled(bool beveled);
    bool AllowDrag() const { return allowDrag_; }
    void setAllowDrag(bool allow);
    TButtonWidthType ButtonWidthType() const { return buttonWidthType_; }
    void setButtonWidthType(TButtonWidthType type);
    int ButtonWidth() const { return buttonWidth_; }
    void setButtonWidth(int width);
    bool ShowButton() const { return showButton_; }
    void setShowButton(bool show);
    QColor ButtonColor() const { return buttonColor_; }
    void setButtonColor(const QColor &color) { setColor(buttonColor_, color); }
    QColor ArrowColor() const { return arrowColor_; }
    void setArrowColor(const QColor &color) { setColor(arrowColor_, color); }
    QColor ButtonHighlightColor() const { return highlightColor_; }
    void setButtonHighlightColor(const QColor &color) { setColor(highlightColor_, color); }
    bool AutoHighlightColor() const { return autoHighlight_; }
    void setAutoHighlightColor(bool automatic);
    QColor TextureColor1() const { return textureColor1_; }
    void setTextureColor1(const QColor &color) { setColor(textureColor1_, color); }
    QColor TextureColor2() const { return textureColor2_; }
    void setTextureColor2(const QColor &color) { setColor(textureColor2_, color); }

    bool Maximized() const { return state_.Maximized(); }
    void setMaximized(bool maximized);
    int RestoreSize() const { return state_.RestoreSize(); }
    void setRestoreSize(int size) { state_.setRestoreSize(size); }

    TRect ButtonRect() const;
    bool Highlighted() const { return highlighted_; }
    // The control this bar collapses; none when nothing shown and enabled lies on its aligned side.
    QWidget *Neighbour() const;

Q_SIGNALS:
    void OnMaximize(QObject *sender);
    void OnRestore(QObject *sender);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void setColor(QColor &member, const QColor &color);
    bool HitTest(const QPoint &point);
    void SetHighlighted(bool highlighted);
    void ApplyStep(const CollapseStep &step);
    void MoveNeighbourTo(int size);
    int NeighbourSize(const QWidget &neighbour) const;
    int LargestNeighbourSize(const QWidget &neighbour) const;
    QImage ButtonImage(const TRect &button) const;

    TAlign align_ = alLeft;
    int minSize_ = 30;
    bool beveled_ = false;
    bool allowDrag_ = true;
    TButtonWidthType buttonWidthType_ = btwPixels;
    int buttonWidth_ = 100;
    bool showButton_ = true;
    QColor buttonColor_;
    QColor arrowColor_{0x00, 0x00, 0x80};
    QColor highlightColor_{0xCF, 0xCF, 0xFF};
    bool autoHighlight_ = false;
    QColor textureColor1_{Qt::white};
    QColor textureColor2_{0x00, 0x00, 0x80};

    CollapseState state_;
    bool highlighted_ = false;
    bool pressedOnButton_ = false;
    bool dragging_ = false;
    QPoint pressGlobal_;
    int dragStartSize_ = 0;
    QPointer<QWidget> dragNeighbour_;
};

} // namespace vistrel

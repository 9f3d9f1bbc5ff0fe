#pragma once

#include "capture/region.h"

#include <QPixmap>
#include <QPoint>
#include <QWidget>

#include <memory>
#include <optional>
#include <vector>

class QIODevice;

namespace vistrel {

class TShapeForm;

// Holds the region of a shaped window; empty when there is none.
class TRegionType {
public:
    explicit TRegionType(TShapeForm *control = nullptr) : Control(control) {}

    std::optional<RegionData> Region;
    TShapeForm *Control = nullptr;
};

// A picture that fills its form, turns it into a borderless window shaped by a region, and lets
// the user drag the window with the left mouse button.
class TShapeForm : public QWidget {
    Q_OBJECT
public:
    explicit TShapeForm(QWidget *owner);
    ~TShapeForm() override;

    TRegionType *Mask() const { return mask_.get(); }
    // Adopts `mask` as this component's region holder; nullptr is ignored.
    void SetMask(std::unique_ptr<TRegionType> mask);

    // Dragging can be switched off; on by default.
    bool Draggable = true;

    // The control always sits at the form's top-left corner.
    void setTop(int) { move(0, 0); }
    void setLeft(int) { move(0, 0); }
    void setWidth(int width) { resize(width, height()); }
    void setHeight(int height) { resize(width(), height); }

    const QPixmap &Picture() const { return picture_; }
    // A new picture drops the region reference: load the picture before the mask.
    void SetPicture(const QPixmap &picture);

    // The "Mask2" value: a 32-bit size, then the region data. Reading applies the region to the
    // form's window; it throws Error for short or malformed data and then changes nothing.
    void ReadMask(QIODevice &stream);
    void WriteMask(QIODevice &stream) const;
    const std::vector<uint8_t> &MaskData() const { return maskData_; }

    static QRegion toQRegion(const RegionData &region);

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void PictureChanged();
    void adoptParent();
    void applyRegion(const RegionData &region);

    std::unique_ptr<TRegionType> mask_;
    std::vector<uint8_t> maskData_;
    QPixmap picture_;
    // Set while the window follows the mouse itself, where the window system cannot move it.
    std::optional<QPoint> manualDragOffset_;
};

} // namespace vistrel

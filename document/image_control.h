#pragma once

#include "platform/bitmap.h"

#include <QImage>
#include <QList>
#include <QRect>
#include <QWidget>

namespace vistrel {

// The picture control of a document window: draws a picture it does not own at natural size from
// the top-left corner (clipped), or stretched to the control's size. Only the exposed part is
// painted, straight from the picture's own rows, so a large picture costs no second copy.
class TImage : public QWidget {
    Q_OBJECT
public:
    explicit TImage(QWidget *parent = nullptr);

    const TBitmap &Picture() const { return *picture_; }
    // Shows `picture`, which must outlive the control or be forgotten before it goes.
    void ShowPicture(const TBitmap &picture);
    void ForgetPicture();
    // The shown picture's pixels or size have changed.
    void PictureChanged();

    bool Stretch() const { return stretch_; }
    void SetStretch(bool stretch);

    // Reversible frame in this control's coordinates, corners in any order: drawing the same
    // rectangle a second time removes it again. Frames outlive repaints until cleared.
    void DrawFrame(int x1, int y1, int x2, int y2);
    void ClearFrames();
    const QList<QRect> &Frames() const { return frames_; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QImage displayImage() const;
    void updateFrameEdges(const QRect &frame);

    const TBitmap *picture_;
    QImage converted_; // only for formats Qt cannot show from the picture's rows
    bool stretch_ = false;
    QList<QRect> frames_;
};

} // namespace vistrel

#pragma once

#include "platform/bitmap.h"

#include <QDialog>
#include <QImage>
#include <QWidget>

class QComboBox;
class QSpinBox;
class QToolButton;

namespace vistrel {

// Shows the top-left corner of a picture at natural size, clipped to the control.
class TEnhancePreview : public QWidget {
    Q_OBJECT
public:
    explicit TEnhancePreview(QWidget *parent = nullptr);
    void ShowBitmap(const TBitmap &bitmap);
    const QImage &Shown() const { return shown_; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QImage shown_;
};

// The modal "Image enhancements" dialog: one function of the enhancement table with one integer
// parameter, previewed; every apply starts again from the picture handed in, so functions never
// accumulate. Closes with 6 on accept and 2 on cancel or the close box.
class TPicEnhanceForm : public QDialog {
    Q_OBJECT
public:
    static constexpr int mrYes = 6;
    static constexpr int mrCancel = 2;
    static constexpr int kPreviewWidth = 121;
    static constexpr int kPreviewHeight = 105;

    explicit TPicEnhanceForm(QWidget *parent = nullptr);

    void SetWorkBitmap(const TBitmap &bitmap);
    // The handed-in picture until accept, the last result after it.
    const TBitmap &WorkBitmap() const { return work_; }
    TBitmap TakeWorkBitmap();
    // The handed-in picture never changes while the dialog is open, so it is the source of every
    // apply; keeping no third copy matters for large pictures.
    const TBitmap &SourceBitmap() const { return work_; }
    // The last apply's result; the source itself before any apply.
    const TBitmap &ResultBitmap() const { return hasResult_ ? result_ : work_; }

    // The table entry chosen in the combo box; -1 when none is (its text edited or never chosen).
    int SelectedFunction() const;
    // The spin box's value; text that is not an integer counts as 0.
    int SpinValue() const;

    void reject() override;

    QComboBox *ImgFuncCbo = nullptr;
    QSpinBox *SpinEdit1 = nullptr;
    TEnhancePreview *Image1 = nullptr;
    QToolButton *SpeedButton1 = nullptr; // accept
    QToolButton *SpeedButton2 = nullptr; // apply
    QToolButton *SpeedButton3 = nullptr; // cancel

protected:
    void showEvent(QShowEvent *event) override;

private:
    void FormShow();
    void SpeedButton1Click();
    void SpeedButton2Click();
    void SpeedButton3Click();

    TBitmap work_;
    TBitmap result_;
    bool hasResult_ = false;
};

} // namespace vistrel

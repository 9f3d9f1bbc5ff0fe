#include "imaging/enhance_form.h"

#include "imaging/enhance.h"
#include "widgets/busy_cursor.h"
#include "widgets/dialog_flags.h"

#include <QApplication>
#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QPainter>
#include <QSpinBox>
#include <QStyle>
#include <QToolButton>

#include <algorithm>
#include <climits>

namespace vistrel {

namespace {

QImage topLeftCorner(const TBitmap &bitmap, int width, int height)
{
    const int w = std::min(bitmap.width(), width);
    const int h = std::min(bitmap.height(), height);
    QImage corner(std::max(w, 0), std::max(h, 0), QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        auto *out = reinterpret_cast<QRgb *>(corner.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const PaletteEntry c = bitmap.pixel(x, y);
            out[x] = qRgb(c.r, c.g, c.b);
        }
    }
    return corner;
}

QToolButton *speedButton(QWidget *parent, QStyle::StandardPixmap glyph, const QString &text)
{
    auto *button = new QToolButton(parent);
    button->setAutoRaise(true);
    button->setIcon(parent->style()->standardIcon(glyph));
    button->setText(text);
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    return button;
}

} // namespace

TEnhancePreview::TEnhancePreview(QWidget *parent) : QWidget(parent)
{
    setFixedSize(TPicEnhanceForm::kPreviewWidth, TPicEnhanceForm::kPreviewHeight);
}

void TEnhancePreview::ShowBitmap(const TBitmap &bitmap)
{
    shown_ = topLeftCorner(bitmap, width(), height());
    update();
}

void TEnhancePreview::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), shown_);
}

TPicEnhanceForm::TPicEnhanceForm(QWidget *parent)
    : QDialog(parent, kDialogWindowFlags | Qt::MSWindowsFixedSizeDialogHint)
{
    setWindowTitle(QStringLiteral("Image enhancements"));
    setFixedSize(378, 173);

    ImgFuncCbo = new QComboBox(this);
    ImgFuncCbo->setEditable(true);
    ImgFuncCbo->setInsertPolicy(QComboBox::NoInsert);
    // The list's entries come first in the table, so a list index is a table index.
    for (const EnhancementEntry &entry : EnhancementTable)
        if (entry.Caption)
            ImgFuncCbo->addItem(QString::fromUtf8(entry.Caption));
    ImgFuncCbo->setCurrentIndex(-1);
    ImgFuncCbo->setEditText(QStringLiteral("Select Function"));
    ImgFuncCbo->setGeometry(8, 8, 233, 24);
    // The entries are longer than the box; the list shows them whole, and the box shows the start
    // of the chosen one (an edit box would scroll to its end).
    ImgFuncCbo->view()->setMinimumWidth(ImgFuncCbo->view()->sizeHintForColumn(0) + 24);
    connect(ImgFuncCbo, &QComboBox::currentIndexChanged, ImgFuncCbo, [combo = ImgFuncCbo] {
        combo->lineEdit()->setCursorPosition(0);
    });

    SpinEdit1 = new QSpinBox(this);
    SpinEdit1->setRange(INT_MIN, INT_MAX);
    SpinEdit1->setValue(0);
    SpinEdit1->setGeometry(8, 44, 110, 24);

    Image1 = new TEnhancePreview(this);
    Image1->move(249, 8);

    SpeedButton2 = speedButton(this, QStyle::SP_BrowserReload, QStringLiteral("Apply"));
    SpeedButton1 = speedButton(this, QStyle::SP_DialogOkButton, QStringLiteral("OK"));
    SpeedButton3 = speedButton(this, QStyle::SP_DialogCancelButton, QStringLiteral("Cancel"));
    SpeedButton2->setGeometry(8, 131, 90, 34);
    SpeedButton1->setGeometry(186, 131, 90, 34);
    SpeedButton3->setGeometry(280, 131, 90, 34);

    connect(SpeedButton1, &QToolButton::clicked, this, &TPicEnhanceForm::SpeedButton1Click);
    connect(SpeedButton2, &QToolButton::clicked, this, &TPicEnhanceForm::SpeedButton2Click);
    connect(SpeedButton3, &QToolButton::clicked, this, &TPicEnhanceForm::SpeedButton3Click);
}

void TPicEnhanceForm::SetWorkBitmap(const TBitmap &bitmap)
{
    work_ = bitmap;
}

TBitmap TPicEnhanceForm::TakeWorkBitmap()
{
    TBitmap taken = std::move(work_);
    work_ = TBitmap();
    return taken;
}

int TPicEnhanceForm::SelectedFunction() const
{
    const int index = ImgFuncCbo->currentIndex();
    return index >= 0 && ImgFuncCbo->currentText() == ImgFuncCbo->itemText(index) ? index : -1;
}

int TPicEnhanceForm::SpinValue() const
{
    bool ok = false;
    const int value = SpinEdit1->text().trimmed().toInt(&ok);
    return ok ? value : 0;
}

void TPicEnhanceForm::reject()
{
    done(mrCancel);
}

void TPicEnhanceForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    FormShow();
}

void TPicEnhanceForm::FormShow()
{
    result_ = TBitmap();
    hasResult_ = false;
    Image1->ShowBitmap(work_);
}

void TPicEnhanceForm::SpeedButton2Click()
{
    const BusyCursor busy;
    ApplyEnhancement(SelectedFunction(), SourceBitmap(), result_, SpinValue(), SeedFromClock());
    hasResult_ = true;
    Image1->ShowBitmap(result_);
}

void TPicEnhanceForm::SpeedButton1Click()
{
    if (hasResult_) {
        std::swap(work_, result_);
        result_ = TBitmap();
        hasResult_ = false;
    }
    done(mrYes);
}

void TPicEnhanceForm::SpeedButton3Click()
{
    done(mrCancel);
}

} // namespace vistrel

#include "about/donate_form.h"

#include "about/donation.h"
#include "about/movie_markup.h"
#include "widgets/dialog_flags.h"
#include "widgets/dialog_keys.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QLineEdit>
#include <QLocale>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QTime>
#include <QToolButton>
#include <QUrl>

namespace vistrel {

namespace {

constexpr int kClientWidth = 304;
constexpr int kClientHeight = 333;
const QColor kNavy = ColorFromNumber(0x800000);
const QColor kBlue = ColorFromNumber(0xFF0000);
const QColor kAqua = ColorFromNumber(0xFFFF00);
const QColor kYellow = ColorFromNumber(0x00FFFF);

void SetColours(QWidget *widget, const QColor &background, const QColor &text)
{
    QPalette colours = widget->palette();
    colours.setColor(QPalette::Window, background);
    colours.setColor(QPalette::WindowText, text);
    widget->setPalette(colours);
    widget->setAutoFillBackground(true);
}

QLabel *BoldLabel(QWidget *parent, const QString &text, int x, int y)
{
    auto *label = new QLabel(text, parent);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    label->move(x, y);
    label->adjustSize();
    return label;
}

// The banner: coins of light on a warm gradient.
QPixmap BannerPicture()
{
    QPixmap banner(kClientWidth, 130);
    QPainter painter(&banner);
    QLinearGradient glow(0, 0, kClientWidth, 130);
    glow.setColorAt(0, QColor(0xff, 0xf4, 0xd6));
    glow.setColorAt(1, Qt::white);
    painter.fillRect(banner.rect(), glow);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPoint coins[] = {{38, 40}, {62, 58}, {30, 78}};
    for (const QPoint &centre : coins) {
        painter.setPen(QPen(QColor(0xc8, 0x96, 0x1e), 2));
        painter.setBrush(QColor(0xf5, 0xc8, 0x42));
        painter.drawEllipse(centre, 16, 16);
        painter.setFont(QFont(QStringLiteral("sans"), 12, QFont::Bold));
        painter.setPen(QColor(0x9a, 0x6c, 0x0c));
        painter.drawText(QRect(centre - QPoint(16, 16), QSize(32, 32)), Qt::AlignCenter, QStringLiteral("\u20ac"));
    }
    return banner;
}

// The payment button's face: a rounded yellow plate saying what it does.
QPixmap PaymentGlyph()
{
    QPixmap glyph(69, 37);
    glyph.fill(Qt::transparent);
    QPainter painter(&glyph);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath plate;
    plate.addRoundedRect(QRectF(0.5, 0.5, 68, 36), 17, 17);
    QLinearGradient shine(0, 0, 0, 37);
    shine.setColorAt(0, QColor(0xff, 0xe3, 0x8a));
    shine.setColorAt(1, QColor(0xf7, 0xb6, 0x00));
    painter.fillPath(plate, shine);
    painter.setPen(QColor(0xc7, 0x8e, 0x00));
    painter.drawPath(plate);
    painter.setPen(QColor(0x1a, 0x2f, 0x6b));
    painter.setFont(QFont(QStringLiteral("sans"), 10, QFont::Bold));
    painter.drawText(glyph.rect(), Qt::AlignCenter, QStringLiteral("Donate"));
    return glyph;
}

// The ones sit at the left, each higher weight 16 pixels further right.
int ClockBitX(int weight)
{
    int x = 4;
    for (int rest = weight; rest > 1; rest /= 2)
        x += 16;
    return x;
}

QString TimeText(const QTime &time)
{
    QString format = QLocale::system().timeFormat(QLocale::LongFormat);
    format.remove(QLatin1Char('t')); // the time zone says nothing here
    return QLocale::system().toString(time, format.trimmed());
}

} // namespace

TDonateForm::TDonateForm(TDonateProperties &component, QWidget *parent) : QDialog(parent), component_(component)
{
    setWindowFlags(kDialogWindowFlags); // a fixed dialog border
    setFixedSize(kClientWidth, kClientHeight);
    SetColours(this, Qt::white, Qt::black);
    setFont(DesktopPixelFont(QStringLiteral("MS Sans Serif"), 11));
    setWindowIcon(QIcon(PaymentGlyph()));

    createHeader();
    createBand();

    MemoDonate = new QPlainTextEdit(this);
    MemoDonate->setGeometry(8, 192, 289, 129);
    MemoDonate->setFrameShape(QFrame::NoFrame);
    MemoDonate->setReadOnly(true);
    MemoDonate->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    clockTimer_.setInterval(1000);
    connect(&clockTimer_, &QTimer::timeout, this, [this] { ShowTime(QTime::currentTime()); });
}

void TDonateForm::createHeader()
{
    auto *banner = new QLabel(this);
    banner->setPixmap(BannerPicture());
    banner->setGeometry(0, 0, kClientWidth, 130);

    PaymentButton = new QToolButton(this);
    PaymentButton->setAutoRaise(true);
    PaymentButton->setIcon(QIcon(PaymentGlyph()));
    PaymentButton->setIconSize(QSize(69, 37));
    PaymentButton->setGeometry(200, 48, 73, 41);
    PaymentButton->setCursor(Qt::PointingHandCursor);
    PaymentButton->setToolTip(QStringLiteral("Donate the amount"));
    connect(PaymentButton, &QToolButton::clicked, this, &TDonateForm::PaymentButtonClick);

    QLabel *amount = BoldLabel(this, QStringLiteral("Amount"), 103, 59);
    amount->move(std::min(103, 147 - amount->width()), 59); // clear of the euro sign in any font
    BoldLabel(this, QStringLiteral("\u20ac"), 150, 60);
    AmountBox = new QLineEdit(QStringLiteral("10"), this);
    AmountBox->setGeometry(160, 56, 25, 20);
    AmountBox->setTextMargins(0, 0, 0, 0);
    AmountBox->installEventFilter(this);

    SiteLink = new QLabel(QStringLiteral("<a href=\"%1\" style=\"color:#0000ff\">Visit the Vistrel home page</a>")
                              .arg(QString::fromLatin1(TMakerAddresses::kWebSite)),
                          this);
    SiteLink->setFont(DesktopPixelFont(QStringLiteral("Times New Roman"), 13));
    SiteLink->setCursor(Qt::PointingHandCursor);
    SiteLink->move(48, 102);
    SiteLink->adjustSize();
    connect(SiteLink, &QLabel::linkActivated, this, [](const QString &link) { QDesktopServices::openUrl(QUrl(link)); });
}

void TDonateForm::createBand()
{
    auto *panel4 = new QWidget(this);
    panel4->setGeometry(0, 128, kClientWidth, 60);
    SetColours(panel4, kNavy, kAqua);
    Label30 = new QLabel(panel4);
    QFont bold = Label30->font();
    bold.setBold(true);
    Label30->setFont(bold);
    Label30->setWordWrap(true);
    Label30->setGeometry(21, 8, 120, 44);

    auto *clock = new QFrame(this);
    clock->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    clock->setGeometry(158, 131, 139, 54);
    SetColours(clock, kNavy, kAqua);
    createClock(clock);
}

void TDonateForm::createClock(QWidget *parent)
{
    const QFont mono = DesktopPixelFont(QStringLiteral("Courier New"), 11);
    const struct {
        const char *title;
        int top;
    } rows[] = {{" Hour", 6}, {" Min ", 21}, {" Sec ", 37}};
    for (const auto &row : rows) {
        auto *title = new QLabel(QString::fromLatin1(row.title), parent);
        title->setFont(mono);
        SetColours(title, kNavy, kYellow);
        title->move(101, row.top);
        title->adjustSize();
    }
    QFont small = mono;
    small.setPixelSize(9);
    for (int i = 0; i < kClockBitCount; ++i) {
        const int weight = kClockBitWeights[static_cast<size_t>(i)];
        const int rowTop = i < 5 ? 5 : i < 11 ? 21 : 37;
        const int x = ClockBitX(weight);
        auto *bit = new QLabel(QString::number(weight), parent);
        bit->setFont(small);
        bit->setAlignment(Qt::AlignCenter);
        bit->setGeometry(x, rowTop, 12, 13);
        SetColours(bit, kNavy, kAqua);
        ClockLabels[static_cast<size_t>(i)] = bit;
    }
}

bool TDonateForm::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate && !activated_)
        FormActivate();
    if (event->type() == QEvent::Show)
        clockTimer_.start();
    if (event->type() == QEvent::Hide)
        clockTimer_.stop();
    return QDialog::event(event);
}

// Once per showing: what the user typed into the amount box stays when the window comes back.
void TDonateForm::FormActivate()
{
    activated_ = true;
    const QString caption = QStringLiteral("Donate for ") + component_.ProductName();
    setWindowTitle(caption);
    Label30->setText(caption);
    MemoDonate->setPlainText(component_.TextForShowing().join(QLatin1Char('\n')));
    AmountBox->setText(QString::number(ProposedAmount(component_.Value)));
    ShowTime(QTime::currentTime());
}

void TDonateForm::ShowTime(const QTime &time)
{
    setWindowTitle(QStringLiteral("Donate for ") + component_.ProductName() + QStringLiteral("! Time: ") + TimeText(time));
    const TClockBits bits = BinaryClockBits(time.hour(), time.minute(), time.second());
    for (int i = 0; i < kClockBitCount; ++i) {
        const bool lit = bits[static_cast<size_t>(i)];
        SetColours(ClockLabels[static_cast<size_t>(i)], lit ? kBlue : kNavy, lit ? kYellow : kAqua);
    }
}

// Keys the amount has no use for never reach the box; keys without a character (arrows, Home,
// End) always do, and so do Tab, Shift+Tab and Esc, which move on or close the dialog.
bool TDonateForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == AmountBox && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const QClipboard *clipboard = QGuiApplication::clipboard();
        std::optional<QString> clipboardText;
        if (clipboard->mimeData() && clipboard->mimeData()->hasText())
            clipboardText = clipboard->text();
        const bool ctrl = key->modifiers() & Qt::ControlModifier;
        if (!key->text().isEmpty() && !IsDialogKey(*key) && !AmountKeyPasses(key->key(), ctrl, clipboardText))
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

QString TDonateForm::PaymentLinkForAmount() const { return PaymentLink(component_.ProductName(), AmountBox->text()); }

void TDonateForm::PaymentButtonClick() { QDesktopServices::openUrl(QUrl(PaymentLinkForAmount(), QUrl::TolerantMode)); }

TDonateDlg::TDonateDlg() : TDonateProperties(QFileInfo(QCoreApplication::applicationFilePath()).fileName()) {}

std::unique_ptr<TDonateForm> TDonateDlg::CreateForm(QWidget *parent) { return std::make_unique<TDonateForm>(*this, parent); }

bool TDonateDlg::Execute(QWidget *parent)
{
    CreateForm(parent)->exec();
    return false;
}

} // namespace vistrel

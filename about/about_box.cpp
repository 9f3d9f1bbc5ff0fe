#include "about/about_box.h"

#include "about/donation.h"
#include "about/movie_scroll.h"
#include "widgets/dialog_flags.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QLinearGradient>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QToolButton>
#include <QUrl>
#include <QUrlQuery>

namespace vistrel {

namespace {

constexpr int kClientWidth = 292;
constexpr int kClientHeight = 378;
constexpr int kTopPictureHeight = 193;
const QColor kSilver(0xC0, 0xC0, 0xC0);

QString ExecutableFileName() { return QFileInfo(QCoreApplication::applicationFilePath()).fileName(); }

QLabel *PlaceLabel(QWidget *parent, const QString &text, int x, int y, bool bold = false)
{
    auto *label = new QLabel(text, parent);
    if (bold) {
        QFont font = label->font();
        font.setBold(true);
        label->setFont(font);
    }
    label->move(x, y);
    label->adjustSize();
    return label;
}

// A bold caption ending just before its value at valueX, so a wider desktop font than the one the
// box was laid out in never runs the two together.
QLabel *PlaceCaption(QWidget *parent, const QString &text, int valueX, int y)
{
    QLabel *caption = PlaceLabel(parent, text, 0, y, true);
    caption->move(std::max(0, valueX - 3 - caption->width()), y);
    return caption;
}

QLabel *LinkLabel(QWidget *parent, const QString &text, const QString &target, int x, int y)
{
    auto *label = PlaceLabel(parent, QStringLiteral("<a href=\"%1\" style=\"color:#0000ff\">%2</a>")
                                         .arg(target.toHtmlEscaped(), text.toHtmlEscaped()),
                             x, y);
    label->setTextFormat(Qt::RichText);
    label->setCursor(Qt::PointingHandCursor);
    label->adjustSize();
    return label;
}

QToolButton *FlatButton(QWidget *parent, QStyle::StandardPixmap icon, const QString &hint, int x, int y)
{
    auto *button = new QToolButton(parent);
    button->setAutoRaise(true);
    button->setIcon(parent->style()->standardIcon(icon));
    button->setIconSize(QSize(20, 20));
    button->setToolTip(hint);
    button->setGeometry(x, y, 30, 30);
    return button;
}

// The picture behind the name and version: a sky fading into the white of the dialog, with a
// faint lens, the program's subject.
QPixmap TopPicture()
{
    QPixmap picture(kClientWidth, kTopPictureHeight);
    QPainter painter(&picture);
    QLinearGradient sky(0, 0, 0, kTopPictureHeight);
    sky.setColorAt(0, QColor(0x9f, 0xc5, 0xe8));
    sky.setColorAt(0.75, Qt::white);
    painter.fillRect(picture.rect(), sky);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(255, 255, 255, 150), 10));
    painter.drawEllipse(QPoint(250, 40), 55, 55);
    painter.setPen(QPen(QColor(255, 255, 255, 90), 6));
    painter.drawEllipse(QPoint(250, 40), 30, 30);
    return picture;
}

// BACKGND: a small paper-like tile for the whole dialog.
QPixmap BackgroundTile()
{
    QPixmap tile(16, 16);
    tile.fill(QColor(0xf4, 0xf1, 0xe8));
    QPainter painter(&tile);
    painter.setPen(QColor(0xe6, 0xe1, 0xd2));
    painter.drawLine(0, 15, 15, 0);
    return tile;
}

QString JoinedLines(const QString &text) { return TextLines(text).join(QLatin1Char('\n')); }

} // namespace

TAboutBox::TAboutBox(QWidget *parent) : QDialog(parent)
{
    setWindowFlags(kDialogWindowFlags); // a fixed dialog border
    setFixedSize(kClientWidth, kClientHeight);
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, Qt::white);
    colours.setColor(QPalette::WindowText, Qt::black);
    setPalette(colours);
    QFont font = DesktopPixelFont(QStringLiteral("Times New Roman"), 13);
    setFont(font);

    createHeader();
    createCommentArea();
    createFooter();
    setWindowTitle(QStringLiteral("About ") + ExecutableFileName());
}

void TAboutBox::createHeader()
{
    topPicture_ = new QLabel(this);
    topPicture_->setPixmap(TopPicture());
    topPicture_->setGeometry(0, 0, kClientWidth, kTopPictureHeight);

    auto *icon = new QLabel(this);
    icon->setGeometry(19, 20, 32, 32);
    const QIcon appIcon = QApplication::windowIcon();
    icon->setPixmap(appIcon.pixmap(32, 32));

    const TVersionParts version = ParseVersion(QStringLiteral(VISTREL_VERSION));
    ProductLabel = PlaceLabel(this, ExecutableFileName(), 127, 32, true);
    QFont productFont = ProductLabel->font();
    productFont.setPixelSize(16);
    ProductLabel->setFont(productFont);
    ProductLabel->adjustSize();
    PlaceCaption(this, QStringLiteral("Version"), 154, 53);
    VersNo = PlaceLabel(this, QStringLiteral("%1.%2").arg(version.major).arg(version.minor), 154, 53);
    PlaceCaption(this, QStringLiteral("Release"), 129, 70);
    ReleaseLabel = PlaceLabel(this, QString::number(version.release), 129, 70);
    PlaceCaption(this, QStringLiteral("Build"), 99, 92);
    BuildLabel = PlaceLabel(this, QString::number(version.build), 99, 91);
    PlaceCaption(this, QStringLiteral("Copyright"), 105, 112);
    PlaceLabel(this, QStringLiteral("\u00a9"), 105, 112);
    CopyrightLabel = PlaceLabel(this, QString(), 118, 112);

    auto *bevel = new QFrame(this);
    bevel->setFrameShape(QFrame::HLine);
    bevel->setFrameShadow(QFrame::Sunken);
    bevel->setGeometry(5, 151, 279, 2);
}

void TAboutBox::createCommentArea()
{
    Panel2 = new QFrame(this);
    Panel2->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel2->setGeometry(5, 159, 282, 131);
    Panel1 = new QWidget(Panel2);
    Panel1->setAutoFillBackground(true);
    QPalette silver = Panel1->palette();
    silver.setColor(QPalette::Window, kSilver);
    Panel1->setPalette(silver);
    Panel1->setGeometry(8, 5, 258, 123);
    Comments = new QLabel(Panel1);
    Comments->setAutoFillBackground(true);
    QPalette white = Comments->palette();
    white.setColor(QPalette::Window, Qt::white);
    Comments->setPalette(white);
    Comments->setFont(DesktopPixelFont(QStringLiteral("MS Sans Serif"), 10));
    Comments->setWordWrap(true);
    Comments->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Comments->setToolTip(QStringLiteral("Drag to scroll"));
    Comments->setGeometry(0, 0, 258, 350);
    Comments->installEventFilter(this);

    DragHint = PlaceLabel(this, QStringLiteral("Left mouse click on text to drag window!"), 8, 291);
    QPalette gray = DragHint->palette();
    gray.setColor(QPalette::WindowText, Qt::gray);
    DragHint->setPalette(gray);
}

void TAboutBox::createFooter()
{
    auto *invitation =
        new QLabel(QStringLiteral("Ideas and bug reports are welcome: mail me, or visit the web site."), this);
    invitation->setWordWrap(true);
    invitation->setGeometry(7, 313, 278, 30);
    invitation->setToolTip(QString::fromLatin1(TMakerAddresses::kWebSite));

    SiteLink = LinkLabel(this, QStringLiteral("Web site"), QString::fromLatin1(TMakerAddresses::kWebSite), 8, 347);
    connect(SiteLink, &QLabel::linkActivated, this, [](const QString &link) { QDesktopServices::openUrl(QUrl(link)); });
    MailLink = LinkLabel(this, QStringLiteral("Mail me!"), QStringLiteral("mailto"), 128, 347);
    connect(MailLink, &QLabel::linkActivated, this, &TAboutBox::MailMeClick);

    SystemInfoButton = FlatButton(this, QStyle::SP_MessageBoxInformation, QStringLiteral("System information"), 184, 342);
    connect(SystemInfoButton, &QToolButton::clicked, this, &TAboutBox::ShowSystemInfo);
    CloseButton = FlatButton(this, QStyle::SP_DialogCloseButton, QStringLiteral("Close About Box"), 238, 341);
    connect(CloseButton, &QToolButton::clicked, this, &QDialog::close);
}

void TAboutBox::Configure(const TAboutBoxProperties &properties)
{
    useBackBMP_ = properties.UseBackBMP;
    topPicture_->setVisible(!useBackBMP_); // the tiled background replaces it
    if (properties.UseMovie)
        createMovie(properties);
    background_ = BackgroundTile();
    Comments->setFixedWidth(std::max(0, Panel2->width() - 5));
    Panel1->setFixedWidth(Panel2->width());

    ProductLabel->setText(properties.ProductName);
    ProductLabel->adjustSize();
    CopyrightLabel->setText(properties.Copyright);
    CopyrightLabel->adjustSize();
    Comments->setText(JoinedLines(properties.Comments));
}

void TAboutBox::createMovie(const TAboutBoxProperties &properties)
{
    Movie = new TMovieScroll(this);
    Movie->setGeometry(Panel2->geometry());
    Movie->SetScrollText(properties.MovieText);
    Movie->Loop = true;
    Movie->SetTimerInterval(properties.MovieSpeed());
    Movie->Shadow = properties.aShadow;
    Movie->SetDefaultFont(properties.AFont(), properties.AFontColor());
    Movie->BackColor = properties.BackCol;
    // The movie takes the comment area's place.
    Panel2->setFixedWidth(0);
    DragHint->setFixedWidth(0);
    Panel2->hide();
    DragHint->hide();
}

void TAboutBox::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (Movie)
        return;
    const int width = std::max(0, Panel2->width() - 18);
    Comments->setFixedWidth(width);
    Panel1->setFixedWidth(width);
    Panel2->move(4, Panel2->y());
    Comments->move(0, Comments->y());
}

void TAboutBox::paintEvent(QPaintEvent *event)
{
    if (!useBackBMP_) {
        QDialog::paintEvent(event);
        return;
    }
    QPainter(this).fillRect(rect(), QBrush(background_));
}

bool TAboutBox::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Comments)
        DragComments(event);
    return QDialog::eventFilter(watched, event);
}

// The comment text follows the mouse while it still covers the whole panel.
void TAboutBox::DragComments(QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        Comments->setCursor(Qt::PointingHandCursor);
        dragStartY_ = static_cast<QMouseEvent *>(event)->position().toPoint().y();
        break;
    case QEvent::MouseMove: {
        const auto *move = static_cast<QMouseEvent *>(event);
        if (!(move->buttons() & Qt::LeftButton))
            break;
        const int top = Comments->y() + move->position().toPoint().y() - dragStartY_;
        if (top < 0 && top > Panel1->height() - Comments->height())
            Comments->move(Comments->x(), top);
        break;
    }
    case QEvent::MouseButtonRelease:
        Comments->unsetCursor();
        break;
    default:
        break;
    }
}

void TAboutBox::ShowSystemInfo() { QMessageBox::information(this, ExecutableFileName(), SystemInfoText()); }

void TAboutBox::MailMeClick()
{
    QUrl mail(QStringLiteral("mailto:") + QString::fromLatin1(TMakerAddresses::kMail));
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("subject"), ExecutableFileName());
    mail.setQuery(query);
    if (!QDesktopServices::openUrl(mail))
        QMessageBox::critical(this, QStringLiteral("Error"), QStringLiteral("An Error occurred with Mail!"));
}

std::unique_ptr<TAboutBox> TAboutBoxDlg::CreateForm(QWidget *parent) const
{
    auto form = std::make_unique<TAboutBox>(parent);
    form->Configure(*this);
    return form;
}

bool TAboutBoxDlg::Execute(QWidget *parent) { return CreateForm(parent)->exec() == QDialog::Accepted; }

} // namespace vistrel

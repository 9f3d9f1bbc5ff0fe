#include "icon/bmp2icon_form.h"

#include "icon/icon_preview.h"
#include "imaging/resample.h"
#include "platform/desktop_programs.h"
#include "platform/error.h"
#include "platform/file_names.h"
#include "platform/picture_io.h"
#include "platform/qimage_bridge.h"
#include "settings/ini_file.h"
#include "widgets/busy_cursor.h"
#include "widgets/dialog_keys.h"
#include "widgets/error_message.h"
#include "widgets/file_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QRadioButton>
#include <QStyle>
#include <QToolButton>

namespace vistrel {

namespace {

const char kEditorSection[] = "Icon Editor";
const char kEditorKey[] = "Location";
constexpr int kPreviewWidth = 144;
constexpr int kPreviewHeight = 142;
enum SaveFileType { kSaveIcon = 1, kSaveCursor = 2, kSaveGlyph = 3 };

const char *const kColourItems[] = {"32 bit (True Colors)", "24 bit (16 mil Colors)", "8 bit   (256 Colors)",
                                    "4 bit   (16 Colors)", "1 bit   (2 Colors)"};
const char *const kSizeItems[] = {"16*16", "32*32", "Custom Size         *"};
const char *const kSaveSuffixes[] = {"ico", "cur", "bmp"};

const char kFilterHint[] = "Select Filter Type differentiated\nthrough Index. Default Index = 3.\nFilter will be applied "
                           "for the Icon\nand while opening for the \nPreview window.\nFilter 0 is fast, quality "
                           "poor;\nFilter 6 is slow, quality best.\nTry different filters for different\nIcons.";
const char kConvertHint[] = "Convert Screenshoot or other picture to Icon\nA preview will be visible after "
                            "conversion.\n\nThe icon is created in true color only.\n\nNow you can save the icon to "
                            "file, using\nthe desired color depth.";
const char kSaveHint[] = "When the icon is visible in the\npreview image, it can be saved\nto a file, using the "
                         "desired color depht.";
const char kBrowseEditorHint[] = "Browse for yor favorite Icon Editor.\n\nImportant:\nOnly if this editor do have "
                                 "command line\ncapabilities, it will be opened and display\nthe icon at the same time!";
const char kOpenEditorHint[] = "This starts your preselected Icon Editor.\n\nImportant\n\nOnly if this editor do have "
                               "command line\ncapabilities, it will be opened and display\nthe icon at the same "
                               "time!\n\nAND\n\nThe icon must be saved!";

template <typename T>
T *named(T *widget, const char *name, const QRect &geometry)
{
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(geometry);
    return widget;
}

QToolButton *speedButton(QWidget *parent, const char *name, const QRect &geometry, QStyle::StandardPixmap glyph,
                         const char *hint)
{
    auto *button = named(new QToolButton(parent), name, geometry);
    button->setIcon(parent->style()->standardIcon(glyph));
    button->setIconSize(QSize(24, 24));
    button->setAutoRaise(true);
    if (hint)
        button->setToolTip(QString::fromUtf8(hint));
    return button;
}

// Radio items stacked in a group box; the group's id of each item is its index.
QButtonGroup *radioItems(QGroupBox *group, const char *const *items, int count, int checked, int top = 20)
{
    auto *buttons = new QButtonGroup(group);
    for (int i = 0; i < count; ++i) {
        auto *item = new QRadioButton(QString::fromLatin1(items[i]), group);
        item->setGeometry(10, top + 21 * i, group->width() - 16, 20);
        buttons->addButton(item, i);
    }
    buttons->button(checked)->setChecked(true);
    return buttons;
}

bool isDigitKey(const QKeyEvent &key)
{
    const QString text = key.text();
    return text.size() == 1 && text[0] >= QLatin1Char('0') && text[0] <= QLatin1Char('9');
}

} // namespace

TBMP2IconForm::TBMP2IconForm(std::string settingsFile, QWidget *parent)
    : QDialog(parent), settingsFile_(std::move(settingsFile))
{
    setWindowTitle(QStringLiteral("Convert to Icon"));
    setFixedSize(349, 455);
    createBrowseGroup();
    createPreviewControls();
    createChoiceGroups();
    createIconGroups();
    createDialogs();
}

void TBMP2IconForm::createBrowseGroup()
{
    GroupBox1 = named(new QGroupBox(QStringLiteral("Browse for Image (JPG or BMP)"), this), "GroupBox1",
                      QRect(8, 4, 333, 72));
    GroupBox1->setToolTip(QStringLiteral("Choose source picture (Screenshoot or browse for file)"));
    Btnbrowse = speedButton(GroupBox1, "Btnbrowse", QRect(12, 22, 40, 40), QStyle::SP_DirOpenIcon, nullptr);
    connect(Btnbrowse, &QToolButton::clicked, this, &TBMP2IconForm::BtnbrowseClick);
    Label3 = named(new QLabel(GroupBox1), "Label3", QRect(62, 22, 261, 43));
    Label3->setWordWrap(true);
    Label3->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

void TBMP2IconForm::createPreviewControls()
{
    ChbARatio = named(new QCheckBox(QStringLiteral("Keep Aspect Ratio"), this), "ChbARatio", QRect(10, 82, 150, 22));
    ChbARatio->setChecked(true);
    ChbARatio->setToolTip(QStringLiteral("Keep Ratio Picture Lenght to Picture Height"));
    connect(ChbARatio, &QCheckBox::clicked, this, [this] { RunCommand(this, [this] { RefreshPreview(); }); });

    Label1 = named(new QLabel(QStringLiteral("Filter"), this), "Label1", QRect(164, 82, 34, 22));
    Label1->setToolTip(QString::fromUtf8(kFilterHint));
    FilterCombo = named(new QComboBox(this), "FilterCombo", QRect(200, 81, 141, 24));
    FilterCombo->setEditable(true);
    FilterCombo->setInsertPolicy(QComboBox::NoInsert);
    for (const FilterEntry &filter : FilterTable)
        FilterCombo->addItem(QString::fromUtf8(filter.ComboItem));
    FilterCombo->setCurrentIndex(kDefaultIconFilter);
    FilterCombo->setToolTip(QString::fromUtf8(kFilterHint));
    connect(FilterCombo, qOverload<int>(&QComboBox::activated), this,
            [this] { RunCommand(this, [this] { RefreshPreview(); }); });

    Label2 = named(new QLabel(QStringLiteral("Image Preview"), this), "Label2", QRect(10, 108, 146, 18));
    auto *panel = named(new QFrame(this), "Panel1", QRect(8, 126, kPreviewWidth + 4, kPreviewHeight + 4));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    ImgPreview = named(new QLabel(panel), "ImgPreview", QRect(2, 2, kPreviewWidth, kPreviewHeight));
    ImgPreview->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    ImgPreview->setToolTip(QStringLiteral("Picture Preview"));
}

void TBMP2IconForm::createChoiceGroups()
{
    RGColor = named(new QGroupBox(QStringLiteral("Icon color in bit (color depth)"), this), "RGColor",
                    QRect(164, 108, 177, 138));
    RGColor->setToolTip(QStringLiteral("Set color depth of the Icon. Default value is 256"));
    colourButtons_ = radioItems(RGColor, kColourItems, 5, kDefaultIconColourItem, 24);

    RGSize = named(new QGroupBox(QStringLiteral("Icon Size"), this), "RGSize", QRect(8, 280, 180, 90));
    RGSize->setToolTip(QStringLiteral("Choose Icon Size. Default Size is 32"));
    sizeButtons_ = radioItems(RGSize, kSizeItems, 3, kIconSize32, 22);
    // The custom item's blanks leave room for the height, its "*" comes before the width.
    const QWidget *custom = sizeButtons_->button(kIconSizeCustom);
    const int star = custom->x() + custom->sizeHint().width() - 4;
    Edit1 = named(new QLineEdit(QStringLiteral("48"), RGSize), "Edit1", QRect(star - 38, custom->y(), 28, 20));
    Edit2 = named(new QLineEdit(QStringLiteral("48"), RGSize), "Edit2", QRect(star + 4, custom->y(), 28, 20));
    Edit2->setEnabled(false);
    for (QLineEdit *edit : {Edit1, Edit2})
        edit->installEventFilter(this);
    connect(Edit1, &QLineEdit::textChanged, this, &TBMP2IconForm::Edit1Change);
}

void TBMP2IconForm::createIconGroups()
{
    GroupBox2 = named(new QGroupBox(QStringLiteral("Create Icon,  Save Icon"), this), "GroupBox2",
                      QRect(192, 252, 149, 118));
    GroupBox2->setToolTip(QStringLiteral("Convert Screenshoot or other picture to Icon"));
    ConvertBut = speedButton(GroupBox2, "ConvertBut", QRect(8, 22, 36, 36), QStyle::SP_ArrowRight, kConvertHint);
    connect(ConvertBut, &QToolButton::clicked, this, &TBMP2IconForm::ConvertButClick);
    SaveBut = speedButton(GroupBox2, "SaveBut", QRect(8, 64, 36, 36), QStyle::SP_DialogSaveButton, kSaveHint);
    connect(SaveBut, &QToolButton::clicked, this, &TBMP2IconForm::SaveButClick);
    ImgIcon = named(new QLabel(GroupBox2), "ImgIcon", QRect(56, 22, 32, 32));
    ImgIcon->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    ImgIcon->setToolTip(QStringLiteral("Icon Preview"));

    GroupBox5 = named(new QGroupBox(QStringLiteral("Browse for / open Icon Editor"), this), "GroupBox5",
                      QRect(8, 378, 333, 66));
    browsebut = speedButton(GroupBox5, "browsebut", QRect(12, 22, 36, 36), QStyle::SP_DirOpenIcon, kBrowseEditorHint);
    connect(browsebut, &QToolButton::clicked, this, &TBMP2IconForm::browsebutClick);
    OpenEdit = speedButton(GroupBox5, "OpenEdit", QRect(56, 22, 36, 36), QStyle::SP_FileDialogContentsView,
                           kOpenEditorHint);
    connect(OpenEdit, &QToolButton::clicked, this, &TBMP2IconForm::OpenEditClick);
}

void TBMP2IconForm::createDialogs()
{
    OD = NewFileDialog(this, "OD", QFileDialog::AcceptOpen,
                    {QStringLiteral("Bitmapts and Jpegs (*.bmp *.jpg *.jpeg)"), QStringLiteral("JPEG Image File (*.jpg)"),
                     QStringLiteral("JPEG Image File (*.jpeg)"), QStringLiteral("Bitmaps (*.bmp)")});
    sd = NewFileDialog(this, "sd", QFileDialog::AcceptSave,
                    {QStringLiteral("Icons (*.ico)"), QStringLiteral("Cursor(*.cur)"), QStringLiteral("Glyph(*.bmp)")});
    sd->setDefaultSuffix(QStringLiteral("ico"));
    // A name typed without an extension gets the chosen type's, before the dialog asks about
    // replacing a file of that name.
    connect(sd, &QFileDialog::filterSelected, sd, [this](const QString &filter) {
        const int type = static_cast<int>(sd->nameFilters().indexOf(filter));
        if (type >= 0)
            sd->setDefaultSuffix(QString::fromLatin1(kSaveSuffixes[type]));
    });
}

// --- the source picture and its preview --------------------------------------------------------

void TBMP2IconForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!activated_) {
        activated_ = true;
        FormActivate();
    }
}

void TBMP2IconForm::FormActivate()
{
    ImgIcon->clear();
    iconPreview_ = TBitmap();
    if (!initialPath_.empty())
        picName_ = initialPath_;
    if (!picName_.empty() && QFileInfo::exists(QString::fromStdString(picName_)))
        RunCommand(this, [this] { ShowSource(picName_); });
    currentIcon_ = TIcon();
}

void TBMP2IconForm::BtnbrowseClick()
{
    if (OD->exec() != QDialog::Accepted || OD->selectedFiles().isEmpty())
        return;
    picName_ = OD->selectedFiles().first().toStdString();
    RunCommand(this, [this] { ShowSource(picName_); });
}

// The picture unscaled, then filtered into the preview; a file the program cannot read at all
// ends the step with the reason.
void TBMP2IconForm::ShowSource(const std::string &path)
{
    const BusyCursor busy;
    if (PictureFormatFor(path, PictureNaming::Opening) == PictureFormat::None)
        throw Error("Unknown picture file extension (" + ExtractFileExt(path) + ")");
    ShowPreview(ReadPictureFile(path, PictureNaming::Opening));
    Label3->setText(QString::fromStdString(path));
    RefreshPreview();
}

TBitmap TBMP2IconForm::LoadSource() const
{
    return ReadPictureFile(picName_, PictureNaming::ExactExtension);
}

void TBMP2IconForm::RefreshPreview()
{
    const int filter = FilterCombo->currentIndex();
    if (filter < 0 || FilterCombo->currentText() != FilterCombo->itemText(filter))
        return; // text typed into the box names no filter
    ReadIconSize();
    if (picName_.empty())
        return;
    try {
        const BusyCursor busy;
        TBitmap source = LoadSource();
        if (!source.empty())
            converter_.TakeAspect(source.width(), source.height());
        converter_.KeepAspect = ChbARatio->isChecked();
        TBitmap preview;
        converter_.SizeByAspect(preview, kPreviewWidth, kPreviewHeight);
        const FilterEntry &entry = FilterTable[static_cast<size_t>(filter)];
        ResampleStretch(source, preview, entry.Kernel, entry.Support);
        ShowPreview(preview);
    } catch (const std::exception &) {
        Inform(QStringLiteral("Couldn't load ") + QString::fromStdString(picName_));
    }
}

void TBMP2IconForm::ShowPreview(const TBitmap &picture)
{
    ImgPreview->setPixmap(QPixmap::fromImage(toQImage(picture)));
}

// --- conversion and saving ---------------------------------------------------------------------

void TBMP2IconForm::ReadIconSize()
{
    const int item = sizeButtons_->checkedId();
    if (item == kIconSizeCustom)
        converter_.ReadIconSize(item, ParseIconSide(Edit2->text().toStdString()),
                                ParseIconSide(Edit1->text().toStdString()));
    else
        converter_.ReadIconSize(item, 0, 0);
}

void TBMP2IconForm::ConvertButClick()
{
    if (picName_.empty() || !QFileInfo::exists(QString::fromStdString(picName_))) {
        Inform(QStringLiteral("You must load a picture first!"));
        return;
    }
    if (!RunCommand(this, [this] { ReadIconSize(); }))
        return;
    try {
        const BusyCursor busy;
        TBitmap source = LoadSource();
        converter_.KeepAspect = ChbARatio->isChecked();
        converter_.FilterIndex = FilterCombo->currentIndex();
        converter_.ColourItem = colourButtons_->checkedId();
        IconConversion conversion = converter_.Convert(source);
        ShowIconPreview(DrawIconOver(conversion.Resampled, conversion.Icon));
        if (conversion.Icon.hasBitmaps())
            currentIcon_ = std::move(conversion.Icon);
    } catch (const std::exception &) {
        Inform(QStringLiteral("Couldn't convert ") + QString::fromStdString(picName_));
    }
}

void TBMP2IconForm::ShowIconPreview(const TBitmap &picture)
{
    iconPreview_ = picture;
    ImgIcon->setPixmap(QPixmap::fromImage(toQImage(picture)));
    ImgIcon->resize(picture.width(), picture.height());
}

void TBMP2IconForm::SaveButClick()
{
    // An empty holder has nothing to write: asking for a file name would pretend otherwise.
    if (!currentIcon_ || !currentIcon_->hasBitmaps()) {
        Inform(QStringLiteral("First you must convert a picture into an Icon!"));
        return;
    }
    if (sd->exec() == QDialog::Accepted && !sd->selectedFiles().isEmpty()) {
        const std::string file = sd->selectedFiles().first().toStdString();
        const int fileType = static_cast<int>(sd->nameFilters().indexOf(sd->selectedNameFilter())) + 1;
        RunCommand(this, [this, &file, fileType] { WriteChosenFile(file, fileType); });
    }
    lastIconFile_ = sd->selectedFiles().value(0).toStdString();
}

void TBMP2IconForm::WriteChosenFile(const std::string &file, int fileType)
{
    const BusyCursor busy;
    if (fileType == kSaveGlyph) {
        if (!iconPreview_.empty())
            WritePictureFile(iconPreview_, file, PictureFormat::Bmp);
        return;
    }
    WriteIcon(file, *currentIcon_, IconDepthCode(colourButtons_->checkedId()));
}

void TBMP2IconForm::Edit1Change()
{
    currentIcon_.reset();
    Edit2->setText(Edit1->text());
}

// Only the digits reach the size edits; every other character, Backspace included, is dropped.
// Tab, Shift+Tab and Esc still move on or close the window.
bool TBMP2IconForm::eventFilter(QObject *watched, QEvent *event)
{
    if ((watched == Edit1 || watched == Edit2) && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (!key->text().isEmpty() && !isDigitKey(*key) && !IsDialogKey(*key))
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

// --- the icon editor ---------------------------------------------------------------------------

std::string TBMP2IconForm::IconEditor() const
{
    const std::string chosen = ReadIniString(settingsFile_, kEditorSection, kEditorKey, "");
    return chosen.empty() ? PaintProgram() : chosen;
}

void TBMP2IconForm::browsebutClick()
{
    const QString editor = QFileDialog::getOpenFileName(this, QStringLiteral("Icon Editor"), {},
                                                        QStringLiteral("Executable (*)"), nullptr,
                                                        QFileDialog::DontUseNativeDialog);
    if (editor.isEmpty())
        return;
    RunCommand(this, [this, &editor] {
        if (!QFileInfo(editor).isExecutable())
            throw Error(editor.toStdString() + " is not a program");
        WriteIniString(settingsFile_, kEditorSection, kEditorKey, editor.toStdString());
    });
}

void TBMP2IconForm::OpenEditClick()
{
    const QString editor = QString::fromStdString(IconEditor());
    QStringList arguments;
    const QString icon = QString::fromStdString(lastIconFile_);
    if (!icon.isEmpty() && QFileInfo::exists(icon))
        arguments.append(icon);
    if (!QProcess::startDetached(editor, arguments))
        ShowErrorMessage(Error("Could not start the icon editor " + editor.toStdString()), this);
}

void TBMP2IconForm::Inform(const QString &text)
{
    QMessageBox::information(this, QStringLiteral("Information"), text);
}

} // namespace vistrel

#include "document/markup_tool.h"

#include "document/image_control.h"
#include "document/picture_document.h"
#include "settings/ini_file.h"
#include "widgets/error_message.h"

#include <QActionGroup>
#include <QColorDialog>
#include <QInputDialog>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPaintEvent>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <iterator>

namespace vistrel {

namespace {

constexpr const char *kSection = "Markup";

struct ToolEntry {
    const char *name; // object name, and the settings keys' first word
    const char *caption;
    MarkKind kind;
    MarkColour colour;
    int width;
};

constexpr MarkColour kRed{224, 32, 32};
constexpr ToolEntry kTools[] = {
    {"Rectangle", "&Rectangle", MarkKind::Rectangle, kRed, 3},
    {"Ellipse", "&Ellipse", MarkKind::Ellipse, kRed, 3},
    {"Line", "&Line", MarkKind::Line, kRed, 3},
    {"Arrow", "&Arrow", MarkKind::Arrow, kRed, 4},
    {"Pen", "&Pen", MarkKind::Pen, kRed, 3},
    {"Highlighter", "&Highlighter", MarkKind::Highlighter, {255, 224, 0}, 16},
    {"Text", "&Text...", MarkKind::Text, kRed, 1},
    {"Step", "&Step Marker", MarkKind::Step, kRed, 1},
};
constexpr int kToolCount = static_cast<int>(std::size(kTools));
constexpr int kEditTool = kToolCount;
constexpr int kOff = -1;

struct NamedColour {
    const char *caption;
    MarkColour colour;
};
constexpr NamedColour kColours[] = {{"Red", kRed},           {"Yellow", {255, 224, 0}}, {"Green", {32, 176, 64}},
                                    {"Blue", {32, 96, 224}}, {"Black", {0, 0, 0}},     {"White", {255, 255, 255}}};

std::string colourText(MarkColour colour)
{
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", colour.r, colour.g, colour.b);
    return text;
}

MarkColour colourFromText(const std::string &text, MarkColour fallback)
{
    const QColor parsed(QString::fromStdString(text));
    if (text.size() != 7 || !parsed.isValid())
        return fallback;
    return MarkColour{static_cast<uint8_t>(parsed.red()), static_cast<uint8_t>(parsed.green()),
                      static_cast<uint8_t>(parsed.blue())};
}

bool isDrawingTool(int tool) { return tool >= 0 && tool < kToolCount; }

} // namespace

TMarkupTool::TMarkupTool(PictureDocument &document, TImage &image, std::string settingsFile, QWidget &window)
    : QWidget(&image), document_(document), image_(image), settingsFile_(std::move(settingsFile))
{
    setObjectName(QStringLiteral("MarkupLayer"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setMouseTracking(true);
    resize(image.size());
    image.installEventFilter(this);
    readSettings();
    createMenu(window);
}

void TMarkupTool::readSettings()
{
    for (int i = 0; i < kToolCount; ++i) {
        const std::string name = kTools[i].name;
        styles_[i].colour = colourFromText(
            ReadIniString(settingsFile_, kSection, name + " colour", colourText(kTools[i].colour)), kTools[i].colour);
        styles_[i].width = std::clamp(ReadIniInteger(settingsFile_, kSection, name + " width", kTools[i].width), 1,
                                      kMaxMarkWidth);
    }
    textSize_ = std::clamp(ReadIniInteger(settingsFile_, kSection, "Text size", textSize_), 4, kMaxMarkTextSize);
}

void TMarkupTool::createMenu(QWidget &owner)
{
    menu_ = new QMenu(QStringLiteral("Markup"), &owner);
    menu_->setObjectName(QStringLiteral("MarkupMenu"));
    tools_ = new QActionGroup(menu_);
    const auto toolItem = [this](const char *name, const QString &caption, int tool) {
        QAction *item = menu_->addAction(caption);
        item->setObjectName(QStringLiteral("Markup") + QString::fromLatin1(name));
        item->setCheckable(true);
        tools_->addAction(item);
        connect(item, &QAction::triggered, this, [this, tool] { chooseTool(tool); });
        return item;
    };
    toolItem("Off", QStringLiteral("&Off (select picture area)"), kOff)->setChecked(true);
    toolItem("Edit", QStringLiteral("E&dit Marks"), kEditTool);
    menu_->addSeparator();
    for (int i = 0; i < kToolCount; ++i)
        toolItem(kTools[i].name, QString::fromLatin1(kTools[i].caption), i);
    menu_->addSeparator();

    QMenu *colours = menu_->addMenu(QStringLiteral("&Colour"));
    colours->setObjectName(QStringLiteral("MarkupColours"));
    for (const NamedColour &named : kColours)
        connect(colours->addAction(QString::fromLatin1(named.caption)), &QAction::triggered, this,
                [this, colour = named.colour] { RunCommand(window(), [&] { chooseColour(colour); }); });
    colours->addSeparator();
    connect(colours->addAction(QStringLiteral("Other...")), &QAction::triggered, this, [this] {
        const QColor chosen = QColorDialog::getColor(Qt::red, window(), QStringLiteral("Mark Colour"));
        if (chosen.isValid())
            RunCommand(window(), [&] {
                chooseColour(MarkColour{static_cast<uint8_t>(chosen.red()), static_cast<uint8_t>(chosen.green()),
                                         static_cast<uint8_t>(chosen.blue())});
            });
    });
    widths_ = menu_->addMenu(QStringLiteral("&Width"));
    addChoices(widths_, "MarkupWidth", {1, 2, 3, 4, 6, 8, 12, 16, 24, 32}, &TMarkupTool::chooseWidth);
    textSizes_ = menu_->addMenu(QStringLiteral("Te&xt Size"));
    addChoices(textSizes_, "MarkupTextSize", {12, 16, 20, 24, 32, 48, 72}, &TMarkupTool::chooseTextSize);
    menu_->addSeparator();

    QAction *remove = menu_->addAction(QStringLiteral("Delete &Mark"));
    remove->setObjectName(QStringLiteral("MarkupDelete"));
    remove->setShortcut(QKeySequence::Delete);
    remove->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    owner.addAction(remove);
    connect(remove, &QAction::triggered, this, &TMarkupTool::deleteSelected);
    connect(menu_, &QMenu::aboutToShow, this, &TMarkupTool::showChoices);
}

void TMarkupTool::addChoices(QMenu *menu, const char *name, const QList<int> &values,
                             void (TMarkupTool::*choose)(int))
{
    menu->setObjectName(QString::fromLatin1(name) + QLatin1Char('s'));
    auto *group = new QActionGroup(menu);
    for (int value : values) {
        QAction *item = menu->addAction(QString::number(value));
        item->setObjectName(QString::fromLatin1(name) + QString::number(value));
        item->setCheckable(true);
        item->setData(value);
        group->addAction(item);
        connect(item, &QAction::triggered, this, [this, choose, value] {
            RunCommand(window(), [&] { (this->*choose)(value); });
        });
    }
}

// The sub-menus tick the choice of the tool in use, or of the mark picked for editing.
void TMarkupTool::showChoices()
{
    const std::vector<Mark> &marks = document_.Marks();
    const int width = picked() ? marks[selected_].width : isDrawingTool(tool_) ? styles_[tool_].width : 0;
    for (QAction *item : widths_->actions())
        item->setChecked(item->data().toInt() == width);
    for (QAction *item : textSizes_->actions())
        item->setChecked(item->data().toInt() == textSize_);
}

// A mark picked with "Edit Marks" and still there as it was picked.
bool TMarkupTool::picked() const
{
    return selected_ >= 0 && selected_ < static_cast<int>(document_.Marks().size()) &&
           selectedRevision_ == document_.MarksRevision();
}

void TMarkupTool::chooseTool(int tool)
{
    tool_ = tool;
    selected_ = -1;
    active_.reset();
    editing_ = -1;
    setAttribute(Qt::WA_TransparentForMouseEvents, tool == kOff);
    setCursor(tool == kEditTool ? Qt::ArrowCursor : Qt::CrossCursor);
    update();
}

// The picked mark changes as one step of the history, and stays picked.
void TMarkupTool::changePicked(const std::function<void(Mark &)> &change)
{
    if (!picked())
        return;
    Mark changed = document_.Marks()[selected_];
    change(changed);
    document_.ReplaceMark(selected_, changed);
    selectedRevision_ = document_.MarksRevision();
}

void TMarkupTool::chooseColour(MarkColour colour)
{
    changePicked([colour](Mark &mark) { mark.colour = colour; });
    if (isDrawingTool(tool_)) {
        styles_[tool_].colour = colour;
        WriteIniString(settingsFile_, kSection, std::string(kTools[tool_].name) + " colour", colourText(colour));
    }
}

void TMarkupTool::chooseWidth(int width)
{
    changePicked([width](Mark &mark) { mark.width = width; });
    if (isDrawingTool(tool_)) {
        styles_[tool_].width = width;
        WriteIniInteger(settingsFile_, kSection, std::string(kTools[tool_].name) + " width", width);
    }
}

void TMarkupTool::chooseTextSize(int size)
{
    textSize_ = size;
    WriteIniInteger(settingsFile_, kSection, "Text size", size);
}

void TMarkupTool::deleteSelected()
{
    if (picked())
        document_.DeleteMark(selected_);
    selected_ = -1;
}

bool TMarkupTool::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == &image_ && event->type() == QEvent::Resize)
        resize(image_.size());
    return QWidget::eventFilter(watched, event);
}

QSizeF TMarkupTool::scale() const
{
    const TBitmap &picture = document_.Picture();
    if (!image_.Stretch() || picture.empty())
        return {1.0, 1.0};
    return {double(image_.width()) / picture.width(), double(image_.height()) / picture.height()};
}

// The picture pixel under a screen pixel, at any zoom.
MarkPoint TMarkupTool::pictureAt(const QPointF &position) const
{
    const QSizeF s = scale();
    return {static_cast<int>(std::floor((std::floor(position.x()) + 0.5) / s.width())),
            static_cast<int>(std::floor((std::floor(position.y()) + 0.5) / s.height()))};
}

QRect TMarkupTool::onScreen(const QRect &pictureRect) const
{
    const QSizeF s = scale();
    return QRectF(pictureRect.x() * s.width(), pictureRect.y() * s.height(), pictureRect.width() * s.width(),
                  pictureRect.height() * s.height())
        .toAlignedRect()
        .adjusted(-2, -2, 2, 2);
}

void TMarkupTool::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    const TMarkCanvas::View view{event->rect(), visibleRegion().boundingRect(), scale(), document_.MarksRevision()};
    const std::vector<Mark> &marks = document_.Marks();
    canvas_.Paint(painter, view, marks, editing_, active_);
    if (!picked())
        return;
    painter.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DashLine));
    painter.drawRect(onScreen(PaintedBounds(active_ ? *active_ : marks[selected_])));
}

Mark TMarkupTool::newMark(MarkPoint at) const
{
    Mark mark;
    mark.kind = kTools[tool_].kind;
    mark.colour = styles_[tool_].colour;
    mark.width = styles_[tool_].width;
    mark.textSize = textSize_;
    mark.points = {at};
    if (mark.kind != MarkKind::Pen && mark.kind != MarkKind::Highlighter)
        mark.points.push_back(at);
    return mark;
}

void TMarkupTool::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || event->modifiers() != Qt::NoModifier)
        return;
    const MarkPoint at = pictureAt(event->position());
    RunCommand(window(), [&] {
        if (tool_ == kEditTool) {
            const int slack = static_cast<int>(std::ceil(4 / std::min(scale().width(), scale().height())));
            selected_ = MarkAt(document_.Marks(), at.x, at.y, slack);
            selectedRevision_ = document_.MarksRevision();
            editing_ = selected_;
            dragFrom_ = at;
            if (selected_ >= 0)
                active_ = document_.Marks()[selected_];
            update();
            return;
        }
        Mark mark = newMark(at);
        if (mark.kind == MarkKind::Step) {
            mark.points.resize(1);
            mark.number = NextStepNumber(document_.Marks());
            document_.AddMark(mark);
        } else if (mark.kind == MarkKind::Text) {
            bool ok = false;
            const QString text = QInputDialog::getText(window(), QStringLiteral("Text Mark"), QStringLiteral("Text:"),
                                                       QLineEdit::Normal, QString(), &ok);
            mark.points.resize(1);
            mark.text = text.toStdString();
            if (ok && !text.isEmpty())
                document_.AddMark(mark);
        } else {
            updateMark(mark);
        }
    });
}

void TMarkupTool::mouseMoveEvent(QMouseEvent *event)
{
    Q_EMIT pointerMoved(event->position().toPoint());
    if (!active_ || !(event->buttons() & Qt::LeftButton))
        return;
    if (tool_ == kEditTool && selectedRevision_ != document_.MarksRevision()) {
        cancelMove(); // an undo under the pointer took the mark away
        return;
    }
    const MarkPoint at = pictureAt(event->position());
    Mark mark = *active_;
    if (tool_ == kEditTool)
        mark = MovedMark(document_.Marks()[editing_], at.x - dragFrom_.x, at.y - dragFrom_.y);
    else if (mark.kind == MarkKind::Pen || mark.kind == MarkKind::Highlighter) {
        if (mark.points.back() == at)
            return;
        mark.points.push_back(at);
    } else
        mark.points.back() = at;
    updateMark(mark);
}

void TMarkupTool::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && active_)
        RunCommand(window(), [this] { commit(); });
    active_.reset();
    editing_ = -1;
    update();
}

// Only the screen around the mark before and after the change is drawn again.
void TMarkupTool::updateMark(const std::optional<Mark> &mark)
{
    QRect dirty;
    if (active_)
        dirty = onScreen(PaintedBounds(*active_));
    if (mark)
        dirty |= onScreen(PaintedBounds(*mark));
    active_ = mark;
    update(dirty);
}

void TMarkupTool::cancelMove()
{
    updateMark(std::nullopt);
    editing_ = -1;
    selected_ = -1;
}

void TMarkupTool::commit()
{
    const Mark mark = *active_;
    if (tool_ == kEditTool) {
        if (selectedRevision_ != document_.MarksRevision())
            return;
        document_.ReplaceMark(editing_, mark);
        selectedRevision_ = document_.MarksRevision();
    } else if (mark.points.size() > 1 && mark.points.front() == mark.points.back() && mark.kind != MarkKind::Pen &&
               mark.kind != MarkKind::Highlighter) {
        return; // a click without a drag draws no shape
    } else {
        document_.AddMark(mark);
    }
}

} // namespace vistrel

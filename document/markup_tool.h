#pragma once

#include "document/markup.h"
#include "document/markup_painter.h"

#include <QWidget>

#include <functional>
#include <optional>
#include <string>

class QAction;
class QActionGroup;
class QMenu;

namespace vistrel {

class PictureDocument;
class TImage;

// The "Markup" menu of a document window and the layer above its picture control where the
// marks are drawn and edited with the mouse. The layer lets the mouse through to the control
// (the selection) while the tool is "Off". Each drawing tool keeps its colour and width, and the
// text tools their size, in the settings file.
class TMarkupTool : public QWidget {
    Q_OBJECT
public:
    // `window` takes the menu's keys; `image` shows `document`'s picture and carries the layer.
    TMarkupTool(PictureDocument &document, TImage &image, std::string settingsFile, QWidget &window);

    QMenu *Menu() const { return menu_; }

Q_SIGNALS:
    // The pointer moved over the picture while a tool takes the mouse, in the control's pixels.
    void pointerMoved(QPoint position);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    struct ToolStyle {
        MarkColour colour;
        int width = 3;
    };

    void createMenu(QWidget &owner);
    void addChoices(QMenu *menu, const char *name, const QList<int> &values, void (TMarkupTool::*choose)(int));
    void chooseTool(int tool);
    void chooseColour(MarkColour colour);
    void chooseWidth(int width);
    void chooseTextSize(int size);
    void deleteSelected();
    bool picked() const;
    void changePicked(const std::function<void(Mark &)> &change);
    void readSettings();
    void showChoices();

    QSizeF scale() const;
    MarkPoint pictureAt(const QPointF &position) const;
    QRect onScreen(const QRect &pictureRect) const;
    void updateMark(const std::optional<Mark> &mark);
    Mark newMark(MarkPoint at) const;
    void cancelMove();
    void commit();

    PictureDocument &document_;
    TImage &image_;
    std::string settingsFile_;
    QMenu *menu_ = nullptr;
    QActionGroup *tools_ = nullptr;
    QMenu *widths_ = nullptr;
    QMenu *textSizes_ = nullptr;
    int tool_ = -1; // index into the tool table, -1 while "Off"
    ToolStyle styles_[8];
    int textSize_ = 24;

    TMarkCanvas canvas_;
    std::optional<Mark> active_; // the mark being drawn or moved
    int editing_ = -1;           // the index of the mark being moved
    int selected_ = -1;          // the mark "Edit Marks" picked, for recolouring and deleting
    uint64_t selectedRevision_ = 0;
    MarkPoint dragFrom_;
};

} // namespace vistrel

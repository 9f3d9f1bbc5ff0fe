#pragma once

#include <QListView>
#include <QStringList>

#include <memory>
#include <string>

namespace vistrel {

class TShListModel;
class TShExplorerListView;

enum TShViewStyle { gvsIcon, gvsSmallIcon, gvsList, gvsReport, gvsThumb };

// The list's items as the shell reads them (count, caption, selected state) and the update
// bracket inside which changes are not shown.
class TShListItems {
public:
    int Count() const;
    QString Caption(int index) const;
    bool Selected(int index) const;
    void setSelected(int index, bool selected);

    // Brackets nest; the list is redrawn when the outermost one ends.
    void BeginUpdate();
    void EndUpdate();
    int UpdateCount() const { return updateCount_; }

private:
    friend class TShExplorerListView;
    explicit TShListItems(TShExplorerListView &owner) : owner_(owner) {}

    TShExplorerListView &owner_;
    int updateCount_ = 0;
};

// The thumbnail file list: the folders and filtered files of one folder in one of five views.
class TShExplorerListView : public QListView {
    Q_OBJECT
public:
    explicit TShExplorerListView(QWidget *parent = nullptr);
    ~TShExplorerListView() override;

    // Raises "Directory does not exist" and keeps the shown folder when path names no folder.
    void setDirectory(const std::string &path);
    // The shown folder without a trailing "/" (the root stays "/"); "" when none is shown.
    std::string Directory() const;

    // The full path of the first selected item; "" when nothing is selected.
    std::string GetSelectedPath() const;
    void SelectAll();
    void DeselectAll();

    void setViewStyleEx(TShViewStyle style);
    TShViewStyle ViewStyleEx() const { return viewStyle_; }

    // Lines such as "*.jpg"; see MatchFilter. Changing them re-reads the shown folder.
    void setFilters(const QStringList &filters);
    QStringList Filters() const { return filters_; }

    int ThumbWidth() const { return 60; }
    int ThumbHeight() const { return 80; }
    int ThumbSpaceWidth() const { return 40; }
    int ThumbSpaceHeight() const { return 40; }

    TShListItems &Items() { return items_; }
    const TShListItems &Items() const { return items_; }
    void Repaint();

Q_SIGNALS:
    void OnDblClick(QObject *sender);

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    friend class TShListItems;
    void FillView();

    TShListModel *model_;
    TShListItems items_{*this};
    QString directory_;
    QStringList filters_;
    TShViewStyle viewStyle_ = gvsIcon;
};

} // namespace vistrel

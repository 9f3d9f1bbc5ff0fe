#pragma once

#include "about/about_properties.h"
#include "about/system_info.h"

#include <QDialog>

#include <memory>

class QFrame;
class QLabel;
class QToolButton;

namespace vistrel {

class TMovieScroll;

// The about box: name, version, copyright, and the credits either as a comment text that is
// dragged up and down or as a scrolling movie; buttons for the system information and to close.
class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget *parent = nullptr);

    // Fills the box from the component's properties (what Execute does before showing it).
    void Configure(const TAboutBoxProperties &properties);

    // Read when asked for: it visits every mounted file system.
    QString SystemInfoText() const { return SystemInfoMessage(ReadSystemInfo()); }

    QLabel *ProductLabel = nullptr;
    QLabel *VersNo = nullptr;
    QLabel *ReleaseLabel = nullptr;
    QLabel *BuildLabel = nullptr;
    QLabel *CopyrightLabel = nullptr;
    QFrame *Panel2 = nullptr;
    QWidget *Panel1 = nullptr;
    QLabel *Comments = nullptr;
    QLabel *DragHint = nullptr;
    QLabel *SiteLink = nullptr;
    QLabel *MailLink = nullptr;
    QToolButton *SystemInfoButton = nullptr;
    QToolButton *CloseButton = nullptr;
    TMovieScroll *Movie = nullptr; // only with UseMovie

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createHeader();
    void createCommentArea();
    void createFooter();
    void createMovie(const TAboutBoxProperties &properties);
    void ShowSystemInfo();
    void MailMeClick();
    void DragComments(QEvent *event);

    QLabel *topPicture_ = nullptr;
    QPixmap background_;
    bool useBackBMP_ = false;
    int dragStartY_ = 0;
};

// The about box component of the main window: its properties, and Execute to show the box.
class TAboutBoxDlg : public TAboutBoxProperties {
public:
    // Shows the box modally; true only when it was closed with the OK result, which it has no
    // button for.
    bool Execute(QWidget *parent);
    // The configured box, not yet shown.
    std::unique_ptr<TAboutBox> CreateForm(QWidget *parent) const;
};

} // namespace vistrel

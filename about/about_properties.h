#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>

namespace vistrel {

// The desktop's family for the classic face names the dialogs were laid out in ("Courier New",
// "Times New Roman", "MS Sans Serif"); other names stay as they are.
QFont DesktopFont(const QString &faceName, int pointSize);
QFont DesktopPixelFont(const QString &faceName, int pixelSize);

// A MovieSpeed of 0 or less, or of 100 or more, is stored as 50 (milliseconds per pixel).
int StoredMovieSpeed(int milliseconds);

// What the about box is told to show; the window (TAboutBoxDlg) adds Execute.
class TAboutBoxProperties {
public:
    TAboutBoxProperties();

    QString ProductName;
    QString Version; // kept, but the box shows the build's version
    QString Copyright;
    QString Comments;
    QStringList MovieText;
    bool UseBackBMP = false;
    bool UseMovie = false;
    QColor BackCol = Qt::black;
    bool aShadow = true;

    int MovieSpeed() const { return movieSpeed_; }
    void SetMovieSpeed(int milliseconds) { movieSpeed_ = StoredMovieSpeed(milliseconds); }
    const QFont &AFont() const { return font_; }
    QColor AFontColor() const { return fontColor_; }
    void SetAFont(const QFont &font, const QColor &color);

private:
    int movieSpeed_ = 40;
    QFont font_;
    QColor fontColor_ = Qt::white;
};

// What the donation dialog is told to show; the window (TDonateDlg) adds Execute.
class TDonateProperties {
public:
    // The executable's file name stands in for an empty product name.
    explicit TDonateProperties(QString executableName);

    const QString &ProductName() const { return productName_; }
    void SetProductName(const QString &name);

    int Value = 0;
    // Filled with the default text at the first showing when empty, and kept for later ones.
    QStringList DonateText;

    // The explanatory text, taking the default one when there is none yet.
    const QStringList &TextForShowing();

private:
    QString executableName_;
    QString productName_;
};

} // namespace vistrel

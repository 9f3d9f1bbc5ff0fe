#pragma once

#include "icon/icon_conversion.h"

#include <QDialog>

#include <optional>
#include <string>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QFileDialog;
class QGroupBox;
class QLabel;
class QLineEdit;
class QToolButton;

namespace vistrel {

// The "Convert to Icon" dialog: a JPEG or BMP picture, resampled with a chosen filter into a
// preview and into an icon of a chosen size and depth, saved as an icon, a cursor or a glyph
// bitmap and handed to the user's icon editor.
class TBMP2IconForm : public QDialog {
    Q_OBJECT
public:
    TBMP2IconForm(std::string settingsFile, QWidget *parent = nullptr);

    // The picture to start with; called once, before the window is shown.
    void SetInitialPath(const std::string &path) { initialPath_ = path; }

    const std::string &PicName() const { return picName_; }
    // The last converted icon; none before a conversion and after the custom size changed.
    const std::optional<TIcon> &CurrentIcon() const { return currentIcon_; }
    const std::string &LastIconFile() const { return lastIconFile_; }
    // The icon editor "Open" starts: the user's choice, else a paint program of the desktop.
    std::string IconEditor() const;

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createBrowseGroup();
    void createPreviewControls();
    void createChoiceGroups();
    void createIconGroups();
    void createDialogs();

    void FormActivate();
    void BtnbrowseClick();
    void ShowSource(const std::string &path);
    void RefreshPreview();
    void ConvertButClick();
    void SaveButClick();
    void Edit1Change();
    void browsebutClick();
    void OpenEditClick();

    void ReadIconSize();
    TBitmap LoadSource() const;
    void ShowPreview(const TBitmap &picture);
    void ShowIconPreview(const TBitmap &picture);
    void WriteChosenFile(const std::string &file, int fileType);
    void Inform(const QString &text);

    QGroupBox *GroupBox1 = nullptr;
    QToolButton *Btnbrowse = nullptr;
    QLabel *Label3 = nullptr;
    QCheckBox *ChbARatio = nullptr;
    QComboBox *FilterCombo = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *ImgPreview = nullptr;
    QGroupBox *RGColor = nullptr;
    QButtonGroup *colourButtons_ = nullptr;
    QGroupBox *RGSize = nullptr;
    QButtonGroup *sizeButtons_ = nullptr;
    QLineEdit *Edit1 = nullptr;
    QLineEdit *Edit2 = nullptr;
    QGroupBox *GroupBox2 = nullptr;
    QToolButton *ConvertBut = nullptr;
    QToolButton *SaveBut = nullptr;
    QLabel *ImgIcon = nullptr;
    QGroupBox *GroupBox5 = nullptr;
    QToolButton *browsebut = nullptr;
    QToolButton *OpenEdit = nullptr;
    QFileDialog *OD = nullptr;
    QFileDialog *sd = nullptr;

    std::string settingsFile_;
    std::string initialPath_;
    std::string picName_;
    std::string lastIconFile_;
    IconConverter converter_;
    std::optional<TIcon> currentIcon_;
    TBitmap iconPreview_; // what ImgIcon shows, saved as the glyph
    bool activated_ = false;
};

} // namespace vistrel

#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <string>

namespace vistrel {

// Stores a form's position and size in the settings file's "Bounds" section. The position is
// the frame's (QWidget::pos / move) and the size the client area's (QWidget::size / resize), so
// a form at 10,10 with a 590 x 490 client area is kept as 10, 10, 600, 500 and comes back
// exactly. A maximised form stores the normal rectangle it would go back to. Stored bounds that
// reach outside the available desktop are brought inside it at the size the form takes, which is
// no less than its minimum size.
class TSaveBounds : public QObject {
    Q_OBJECT
public:
    explicit TSaveBounds(QObject *owner);
    // Writes the owner form's bounds to IniPath() when IniFile() is set. Errors cannot leave a
    // destructor; they go to the settings notice handler instead.
    ~TSaveBounds() override;

    void ReadBounds(QWidget *form, const std::string &path);
    void WriteBounds(QWidget *form, const std::string &path);

    // The owner given at creation when it is a widget; null otherwise or once it is gone.
    QWidget *OwnerForm() const { return ownerForm_; }
    // The executable's folder with its trailing "/".
    const std::string &ExeFolder() const { return exeFolder_; }
    const std::string &IniPath() const { return iniPath_; }

    // A file name relative to ExeFolder(); empty by default.
    const std::string &IniFile() const { return iniFile_; }
    void SetIniFile(const std::string &iniFile) { iniFile_ = iniFile; }

    bool UseStdIni() const { return useStdIni_; }
    // Computes IniPath() (the executable's own path, or ExeFolder() + IniFile(), with the
    // extension ".ini") and applies the bounds stored there to the owner form.
    void SetUseStdIni(bool useStdIni);

private:
    std::string computeIniPath() const;

    QPointer<QWidget> ownerForm_;
    std::string exeFolder_;
    std::string iniPath_;
    std::string iniFile_;
    bool useStdIni_ = false;
};

// The path with its extension (from the last "." after the last "/") replaced, or appended when
// it has none.
std::string ChangeFileExt(const std::string &path, const std::string &extension);

} // namespace vistrel

#pragma once

#include <QDialog>
#include <QString>

#include <string>
#include <utility>
#include <vector>

namespace vistrel {

// What the properties dialog tells of a file, as caption and value: name, folder, size, the
// picture's dimensions and type (read from its header only), the times, owner and permissions.
// Raises Error when the file cannot be looked at.
std::vector<std::pair<QString, QString>> FilePropertyRows(const std::string &path);

// A small window listing FilePropertyRows of one file.
class TFilePropertiesDialog : public QDialog {
public:
    TFilePropertiesDialog(const std::string &path, QWidget *parent);
};

} // namespace vistrel

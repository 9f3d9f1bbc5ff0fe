#pragma once

#include <QObject>

#include <string>

class QWidget;

namespace vistrel {

// Stores a form's position and size in the settings file's "Bounds" section.
class TSaveBounds : public QObject {
    Q_OBJECT
public:
    explicit TSaveBounds(QObject *owner);
    ~TSaveBounds() override;

    void ReadBounds(QWidget *form, const std::string &path);
    void WriteBounds(QWidget *form, const std::string &path);
};

} // namespace vistrel

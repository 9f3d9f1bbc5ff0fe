#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

namespace vistrel::testing {

// Writes bytes as the whole file; false when it cannot be opened for writing.
inline bool WriteQtFile(const QString &path, const QByteArray &bytes = {})
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The file's bytes; empty when it cannot be read.
inline QByteArray ReadQtFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace vistrel::testing

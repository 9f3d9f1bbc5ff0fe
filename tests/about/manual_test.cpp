// The help manual as the build writes it beside the program.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QRegularExpression>

namespace {

QByteArray ReadAll(const char *path)
{
    QFile file(QString::fromLocal8Bit(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(Manual, IsOneHtmlFileWithEveryScreenshotFoldedIn)
{
    const QByteArray source = ReadAll(MANUAL_SOURCE);
    const QByteArray manual = ReadAll(VISTREL_MANUAL);
    ASSERT_FALSE(source.isEmpty());
    ASSERT_TRUE(manual.startsWith("<!DOCTYPE html>"));
    EXPECT_FALSE(manual.contains("src=\"screenshots/")); // nothing refers to a file beside it

    const qsizetype referenced = source.count("<img src=\"screenshots/");
    const QRegularExpression folded(QStringLiteral("src=\"data:image/png;base64,([A-Za-z0-9+/=]+)\""));
    qsizetype pictures = 0;
    for (const QRegularExpressionMatch &match : folded.globalMatch(QString::fromLatin1(manual))) {
        const QImage picture = QImage::fromData(QByteArray::fromBase64(match.captured(1).toLatin1()), "PNG");
        EXPECT_FALSE(picture.isNull());
        EXPECT_GT(picture.width(), 100);
        ++pictures;
    }
    EXPECT_EQ(pictures, referenced);
    EXPECT_GT(pictures, 0);
}

} // namespace

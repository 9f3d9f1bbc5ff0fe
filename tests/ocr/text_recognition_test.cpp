// Recognition quality on rendered screenshots, the message without language data, and
// redaction by vistrel-cli that leaves nothing to recognise.
#include "ocr/text_recognition.h"
#include "platform/error.h"
#include "platform/picture_io.h"
#include "platform/qimage_bridge.h"
#include "tests/support/files.h"
#include "tests/support/rendered_text.h"

#include <QGuiApplication>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

using namespace vistrel;
using vistrel::testing::RenderedText;
using vistrel::testing::TempFolder;

namespace {

// Fonts need a GUI application; the offscreen platform needs no display.
void needFonts()
{
    static int argc = 1;
    static char name[] = "ocr_test";
    static char *argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication application(argc, argv);
}

QString words(const QString &text)
{
    return text.simplified();
}

// 1 − (edit distance / expected length).
double characterAccuracy(const QString &expected, const QString &found)
{
    std::vector<int> row(static_cast<size_t>(found.size()) + 1);
    for (size_t j = 0; j < row.size(); ++j)
        row[j] = static_cast<int>(j);
    for (int i = 1; i <= expected.size(); ++i) {
        int diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j < row.size(); ++j) {
            const int substituted = diagonal + (expected[i - 1] == found[static_cast<int>(j) - 1] ? 0 : 1);
            diagonal = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, substituted});
        }
    }
    return 1.0 - static_cast<double>(row.back()) / expected.size();
}

struct Rendering {
    const char *family;
    int pixelSize;
    bool darkGround;
};

class Recognition : public ::testing::TestWithParam<Rendering> {};

} // namespace

TEST_P(Recognition, ReadsRenderedLinesAlmostWithoutMistakes)
{
    needFonts();
    const Rendering &r = GetParam();
    const QStringList lines = {QStringLiteral("Twelve quiet otters carried a jar of plums"),
                               QStringLiteral("across Brenton Yard on 14 May, then left.")};
    const TBitmap picture = fromQImage(RenderedText(lines, QString::fromLatin1(r.family), r.pixelSize, r.darkGround));
    const QString found = QString::fromStdString(TextRecognizer().Recognize(picture));
    EXPECT_GE(characterAccuracy(words(lines.join(QLatin1Char(' '))), words(found)), 0.98) << found.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Screenshots, Recognition,
                         ::testing::Values(Rendering{"DejaVu Sans", 11, false}, Rendering{"DejaVu Serif", 11, true},
                                           Rendering{"DejaVu Sans", 15, true}, Rendering{"DejaVu Serif", 16, false},
                                           Rendering{"DejaVu Sans", 24, true}, Rendering{"DejaVu Serif", 24, false}));

TEST(Recognition, MissingLanguageDataNamesThePackageToInstall)
{
    const TempFolder empty;
    ::setenv("TESSDATA_PREFIX", empty.path().c_str(), 1);
    for (const auto &[language, package] : {std::pair{"eng", "tesseract-ocr-eng"}, {"chi_sim", "tesseract-ocr-chi-sim"}}) {
        try {
            TextRecognizer recognizer(language);
            ADD_FAILURE() << language << " loaded from an empty folder";
        } catch (const Error &e) {
            EXPECT_NE(std::string(e.what()).find(package), std::string::npos) << e.what();
        }
    }
    ::unsetenv("TESSDATA_PREFIX");
    EXPECT_EQ(LanguagePackages("eng+Fra+chi_tra"), "tesseract-ocr-eng tesseract-ocr-fra tesseract-ocr-chi-tra");
    EXPECT_THROW(TextRecognizer("../../tmp/eng"), Error);
}

TEST(Redaction, LeavesNothingToRecogniseInAnyFormatAndKeepsTheRest)
{
    needFonts();
    const TempFolder dir;
    const QStringList lines = {QStringLiteral("Secret jasper orbit 7731 velvet"), QStringLiteral("Public harbour lantern meadow")};
    const QImage rendered = RenderedText(lines, QStringLiteral("DejaVu Sans"), 16);
    const std::string input = dir.file("text.bmp");
    ASSERT_TRUE(rendered.save(QString::fromStdString(input), "BMP"));
    const TBitmap original = ReadPictureFile(input, PictureFormat::Bmp);
    const int top = 2, bottom = 32; // the first line, descenders included
    TextRecognizer recognizer;
    for (const char *mode : {"pixelate", "blur", "fill"})
        for (const char *extension : {".jpg", ".bmp", ".png"}) {
            SCOPED_TRACE(std::string(mode) + extension);
            const std::string output = dir.file(std::string(mode) + extension);
            const std::string command = std::string(VISTREL_CLI) + " redact --rect 0," + std::to_string(top) + ",2000,"
                                        + std::to_string(bottom - top) + " --mode " + mode + " '" + input + "' '"
                                        + output + "'";
            ASSERT_EQ(std::system(command.c_str()), 0);
            const TBitmap redacted = ReadPictureByContent(output, PictureNaming::CommandLine);
            const QString found = QString::fromStdString(recognizer.Recognize(redacted)).toLower();
            for (const char *hidden : {"secret", "jasper", "orbit", "7731", "velvet"})
                EXPECT_FALSE(found.contains(QLatin1String(hidden))) << found.toStdString();
            for (const char *kept : {"harbour", "lantern", "meadow"})
                EXPECT_TRUE(found.contains(QLatin1String(kept))) << found.toStdString();
            if (std::string(extension) == ".jpg")
                continue;
            for (int y = 0; y < original.height(); ++y)
                if (y < top || y >= bottom) {
                    ASSERT_TRUE(std::equal(original.scanLine(y), original.scanLine(y) + 3 * original.width(),
                                           redacted.scanLine(y)))
                        << "row " << y;
                }
        }
}

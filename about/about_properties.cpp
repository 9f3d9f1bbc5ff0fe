#include "about/about_properties.h"

#include "about/donation.h"

#include <QFontDatabase>

namespace vistrel {

namespace {

void UseDesktopFamily(QFont &font, const QString &faceName)
{
    if (faceName == QLatin1String("Courier New")) {
        font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    } else if (faceName == QLatin1String("Times New Roman")) {
        font.setFamily(QStringLiteral("serif"));
        font.setStyleHint(QFont::Serif);
    } else if (faceName == QLatin1String("MS Sans Serif")) {
        font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    } else {
        font.setFamily(faceName);
    }
}

} // namespace

QFont DesktopFont(const QString &faceName, int pointSize)
{
    QFont font;
    UseDesktopFamily(font, faceName);
    font.setPointSize(pointSize);
    return font;
}

QFont DesktopPixelFont(const QString &faceName, int pixelSize)
{
    QFont font;
    UseDesktopFamily(font, faceName);
    font.setPixelSize(pixelSize);
    return font;
}

int StoredMovieSpeed(int milliseconds) { return milliseconds <= 0 || milliseconds >= 100 ? 50 : milliseconds; }

TAboutBoxProperties::TAboutBoxProperties() : font_(DesktopFont(QStringLiteral("Courier New"), 9)) {}

void TAboutBoxProperties::SetAFont(const QFont &font, const QColor &color)
{
    font_ = font;
    fontColor_ = color;
}

TDonateProperties::TDonateProperties(QString executableName)
    : executableName_(std::move(executableName)), productName_(executableName_)
{
}

void TDonateProperties::SetProductName(const QString &name) { productName_ = name.isEmpty() ? executableName_ : name; }

const QStringList &TDonateProperties::TextForShowing()
{
    if (DonateText.isEmpty())
        DonateText = TextLines(DefaultDonateText(productName_));
    return DonateText;
}

} // namespace vistrel

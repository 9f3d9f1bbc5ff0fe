#include "about/movie_markup.h"

namespace vistrel {

namespace {

// Larger sizes would only make the credits unreadable and slow to draw.
constexpr int kLargestPointSize = 200;

std::optional<int> TagNumber(const QString &tag, const QString &prefix)
{
    bool ok = false;
    const int value = tag.mid(prefix.size()).toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

void ApplyTag(const QString &tag, TMovieLineStyle &style)
{
    static const QString kSize = QStringLiteral("size=");
    static const QString kFont = QStringLiteral("font=");
    static const QString kColor = QStringLiteral("color=");
    if (tag == QLatin1String("center"))
        style.center = true;
    else if (tag == QLatin1String("b"))
        style.bold = true;
    else if (tag == QLatin1String("i"))
        style.italic = true;
    else if (tag == QLatin1String("u"))
        style.underline = true;
    else if (tag.startsWith(kSize)) {
        const std::optional<int> size = TagNumber(tag, kSize);
        if (size && *size > 0 && *size <= kLargestPointSize)
            style.pointSize = size;
    } else if (tag.startsWith(kFont)) {
        if (tag.size() > kFont.size())
            style.fontName = tag.mid(kFont.size());
    } else if (tag.startsWith(kColor)) {
        const std::optional<int> number = TagNumber(tag, kColor);
        if (number && *number >= 0 && *number <= 0xFFFFFF)
            style.color = ColorFromNumber(static_cast<quint32>(*number));
    }
}

} // namespace

bool TMovieLineStyle::operator==(const TMovieLineStyle &other) const
{
    return pointSize == other.pointSize && fontName == other.fontName && color == other.color &&
           center == other.center && bold == other.bold && italic == other.italic && underline == other.underline;
}

std::vector<TMovieLine> ParseMovieLines(const QStringList &lines)
{
    std::vector<TMovieLine> parsed;
    parsed.reserve(static_cast<size_t>(lines.size()));
    bool inTag = false;
    QString tag;
    for (const QString &line : lines) {
        TMovieLine result;
        for (const QChar c : line) {
            if (inTag) {
                if (c == QLatin1Char(']')) {
                    ApplyTag(tag, result.style);
                    inTag = false;
                } else {
                    tag += c;
                }
            } else if (c == QLatin1Char('[')) {
                inTag = true;
                tag.clear();
            } else if (c != QLatin1Char(']')) {
                result.text += c;
            }
        }
        parsed.push_back(std::move(result));
    }
    return parsed;
}

QColor ColorFromNumber(quint32 bgr) { return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF); }

bool MovieTextPassed(int scrollY, const std::vector<int> &lineHeights)
{
    if (lineHeights.empty())
        return scrollY < 0;
    long long bottom = scrollY;
    for (const int height : lineHeights)
        bottom += height;
    return bottom + lineHeights.back() < 0;
}

} // namespace vistrel

#pragma once

#include <QColor>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace vistrel {

// How one credit line is drawn: the default font changed by the line's tags. The line is drawn
// once, so the style is the one its last tag left.
struct TMovieLineStyle {
    std::optional<int> pointSize;
    std::optional<QString> fontName;
    std::optional<QColor> color;
    bool center = false;
    bool bold = false;
    bool italic = false;
    bool underline = false;

    bool operator==(const TMovieLineStyle &other) const;
};

struct TMovieLine {
    QString text; // what is shown: the line without its tags
    TMovieLineStyle style;
};

// Splits credit lines into shown text and style. Tags sit in square brackets ("center", "b", "i",
// "u", "size=N", "font=NAME", "color=N" with N a colour number 0x00BBGGRR); they are
// case-sensitive, unknown or malformed ones are ignored, a stray "]" is dropped and a "[" left
// open at the end of a line carries its tag into the next line.
std::vector<TMovieLine> ParseMovieLines(const QStringList &lines);

// A colour number in the 0x00BBGGRR layout of the picture formats' palettes.
QColor ColorFromNumber(quint32 bgr);

// Whether the credits have scrolled past the top: the block of lines starting at scrollY, with
// the given heights, has its bottom plus the last line's height above 0.
bool MovieTextPassed(int scrollY, const std::vector<int> &lineHeights);

} // namespace vistrel

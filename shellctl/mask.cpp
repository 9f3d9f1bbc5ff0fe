#include "shellctl/mask.h"

#include "platform/error.h"

namespace vistrel {

namespace {

enum class MaskClass { AnyOne, AnyRun, Dot, End, Literal };
enum class NameClass { Literal, End, Dot, Wildcard };

MaskClass ClassOfMask(QChar c)
{
    switch (c.unicode()) {
    case '?': return MaskClass::AnyOne;
    case '*': return MaskClass::AnyRun;
    case '.': return MaskClass::Dot;
    case 0: return MaskClass::End;
    default: return MaskClass::Literal;
    }
}

NameClass ClassOfName(QChar c)
{
    switch (c.unicode()) {
    case '*':
    case '?': return NameClass::Wildcard;
    case '.': return NameClass::Dot;
    case 0: return NameClass::End;
    default: return NameClass::Literal;
    }
}

bool SameIgnoringCase(QChar a, QChar b)
{
    return a == b || a.toCaseFolded() == b.toCaseFolded();
}

// Both texts read as ending in a NUL, so that the end is a character class of its own.
QChar At(const QString &text, int i)
{
    return i < text.size() ? text[i] : QChar(0);
}

// The literal run that follows a "*" at mask[star]: up to the next "*", ".", "?" or the end.
int LiteralRunAfter(const QString &mask, int star)
{
    int end = star + 1;
    while (ClassOfMask(At(mask, end)) == MaskClass::Literal)
        ++end;
    return end - star - 1;
}

bool RunMatchesAt(const QString &mask, int from, const QString &name, int at, int length)
{
    for (int i = 0; i < length; ++i)
        if (ClassOfName(At(name, at + i)) != NameClass::Literal || !SameIgnoringCase(mask[from + i], name[at + i]))
            return false;
    return true;
}

} // namespace

bool TMask::Matches(const QString &fileName) const
{
    const QString &mask = mask_, &name = fileName;
    int m = 0, n = 0;
    for (;;) {
        if (ClassOfMask(At(mask, m)) == MaskClass::AnyRun) {
            const int run = LiteralRunAfter(mask, m);
            if (run > 0 && n + run <= name.size() && RunMatchesAt(mask, m + 1, name, n, run))
                ++m;
        }
        const NameClass nameClass = ClassOfName(At(name, n));
        if (nameClass == NameClass::Wildcard)
            throw Error("Wildcards not allowed in FileName");
        switch (ClassOfMask(At(mask, m))) {
        case MaskClass::AnyOne:
            if (nameClass != NameClass::Literal)
                return false;
            ++m, ++n;
            break;
        case MaskClass::AnyRun:
            if (nameClass == NameClass::Literal)
                ++n;
            else
                ++m;
            break;
        case MaskClass::Dot:
            if (nameClass == NameClass::Literal)
                return false;
            if (nameClass == NameClass::Dot)
                ++n;
            ++m;
            break;
        case MaskClass::End:
            if (nameClass == NameClass::End)
                return true;
            if (nameClass == NameClass::Literal)
                return false;
            ++n;
            break;
        case MaskClass::Literal:
            if (nameClass != NameClass::Literal || !SameIgnoringCase(mask[m], name[n]))
                return false;
            ++m, ++n;
            break;
        }
    }
}

} // namespace vistrel

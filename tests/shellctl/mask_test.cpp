#include "platform/error.h"
#include "shellctl/mask.h"

#include <gtest/gtest.h>

namespace vistrel {
namespace {

struct MaskCase {
    const char *mask;
    const char *name;
    bool matches;
};

const MaskCase kMaskCases[] = {
    {"*.jpg", "photo.jpg", true},
    {"*.jpg", "PHOTO.JPG", true},
    {"*.JPG", "photo.jpg", true},
    {"*.jpg", "a.b.jpg", false},     // "*" never runs past a "."
    {"*.jpg", "photo.jpeg", false},
    {"*.jpg", "jpg", false},
    {"*.jpg", ".jpg", true},
    {"*", "abc", true},
    {"*", "abc.txt", false},
    {"*.*", "abc.txt", true},
    {"*.*", "abc", true},
    {"*.*", "a.b.c", false},
    {"?.bmp", "a.bmp", true},
    {"?.bmp", "ab.bmp", false},
    {"?.bmp", ".bmp", false},
    {"a?c", "abc", true},
    {"a?c", "ac", false},
    {"*b", "ab", true},
    {"*b", "abb", false},            // the literal after "*" is taken at its first occurrence
    {"shot*_1.jpg", "SShot_1.jpg", false},
    {"sshot*_1.jpg", "SShot3_1.jpg", true},
    {"abc", "abc.", true},           // a trailing "." of the name is passed over at the mask's end
    {"abc", "abcd", false},
    {"abc.", "abc", true},
    {"", "", true},
    {"", "a", false},
    {"Ä*.jpg", "äpfel.JPG", true},
};

TEST(TMask, MatchesByTheTable)
{
    for (const MaskCase &c : kMaskCases)
        EXPECT_EQ(TMask(QString::fromUtf8(c.mask)).Matches(QString::fromUtf8(c.name)), c.matches)
            << c.mask << " against " << c.name;
}

TEST(TMask, WildcardsInTheNameAreAnError)
{
    for (const char *name : {"a*.jpg", "?", "x.j?g"}) {
        try {
            TMask("*.jpg").Matches(QString::fromUtf8(name));
            ADD_FAILURE() << name << " was accepted";
        } catch (const Error &error) {
            EXPECT_STREQ(error.what(), "Wildcards not allowed in FileName");
        }
    }
}

} // namespace
} // namespace vistrel

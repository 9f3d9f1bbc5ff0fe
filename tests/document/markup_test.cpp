#include "document/picture_document.h"

#include "platform/error.h"
#include "platform/picture_io.h"
#include "tests/support/files.h"

#include <gtest/gtest.h>

#include <sstream>

namespace vistrel {
namespace {

// Marks stand in as one red pixel in row 1: mark k sits at x = k with red value k. The picture
// itself is told by the blue value of its first pixel, which the command counts up.
void paintDots(TBitmap &picture, const std::vector<Mark> &marks)
{
    for (const Mark &mark : marks)
        picture.setPixel(mark.points[0].x, mark.points[0].y, PaletteEntry{0, 0, mark.colour.r, 0});
}

Mark dot(int id)
{
    Mark mark;
    mark.colour.r = static_cast<uint8_t>(id);
    mark.points = {{id, 1}};
    return mark;
}

size_t indexOf(const PictureDocument &document, int id)
{
    const auto &marks = document.Marks();
    for (size_t i = 0; i < marks.size(); ++i)
        if (marks[i].colour.r == id)
            return i;
    return marks.size();
}

// "<picture id> <red dots in the pixels> <marks>", each list "r@x" or "-", then "*" if Modified.
std::string dots(const std::vector<std::pair<int, int>> &list)
{
    std::ostringstream text;
    for (const auto &[red, x] : list)
        text << (text.tellp() > 0 ? "," : "") << red << '@' << x;
    return list.empty() ? "-" : text.str();
}

std::string state(const PictureDocument &document)
{
    const TBitmap &picture = document.Picture();
    std::vector<std::pair<int, int>> pixels, marks;
    for (int x = 0; x < picture.width(); ++x)
        if (picture.pixel(x, 1).r)
            pixels.emplace_back(picture.pixel(x, 1).r, x);
    for (const Mark &mark : document.Marks())
        marks.emplace_back(mark.colour.r, mark.points[0].x);
    return std::to_string(picture.pixel(0, 0).b) + " " + dots(pixels) + " " + dots(marks) +
           (document.Modified() ? "*" : "");
}

// "+k" adds mark k, "-k" deletes it, "mk" moves it 8 pixels right, "ck" recolours it to k + 10;
// "cmd" runs a command, "u" and "r" undo and redo, "save" saves, "reopen" reads the saved file.
void run(PictureDocument &document, const std::string &op, const std::string &file)
{
    const int id = op.size() > 1 && op != "cmd" && op != "save" && op != "reopen" ? std::stoi(op.substr(1)) : 0;
    if (op[0] == '+')
        document.AddMark(dot(id));
    else if (op[0] == '-')
        document.DeleteMark(indexOf(document, id));
    else if (op[0] == 'm')
        document.ReplaceMark(indexOf(document, id), MovedMark(document.Marks()[indexOf(document, id)], 8, 0));
    else if (op == "cmd")
        document.Apply([](TBitmap &working, TBitmap &result) {
            working.setPixel(0, 0, PaletteEntry{static_cast<uint8_t>(working.pixel(0, 0).b + 1), 0, 0, 0});
            result = std::move(working);
        });
    else if (op[0] == 'c') {
        Mark recoloured = document.Marks()[indexOf(document, id)];
        recoloured.colour.r = static_cast<uint8_t>(id + 10);
        document.ReplaceMark(indexOf(document, id), recoloured);
    } else if (op == "u")
        document.Undo();
    else if (op == "r")
        document.Redo();
    else if (op == "save") {
        document.FlattenMarks();
        WritePictureFile(document.Picture(), file, PictureFormat::Bmp);
        document.MarkSaved(file);
    } else if (op == "reopen")
        document = PictureDocument(ReadPictureFile(file, PictureFormat::Bmp), file);
}

struct Case {
    const char *name;
    std::vector<std::pair<std::string, std::string>> steps; // operation, state after it
};

const Case kCases[] = {
    {"edits are undone and redone one mark at a time",
     {{"+1", "0 - 1@1*"}, {"m1", "0 - 1@9*"}, {"c1", "0 - 11@9*"}, {"+2", "0 - 11@9,2@2*"}, {"-11", "0 - 2@2*"},
      {"u", "0 - 11@9,2@2*"}, {"u", "0 - 11@9*"}, {"u", "0 - 1@9*"}, {"u", "0 - 1@1*"}, {"u", "0 - -"},
      {"u", "0 - -"}, {"r", "0 - 1@1*"}, {"r", "0 - 1@9*"}, {"+3", "0 - 1@9,3@3*"}, {"r", "0 - 1@9,3@3*"}}},
    {"a command draws the marks in and its undo gives them back editable",
     {{"+1", "0 - 1@1*"}, {"+2", "0 - 1@1,2@2*"}, {"cmd", "1 1@1,2@2 -*"}, {"u", "0 - 1@1,2@2*"},
      {"u", "0 - 1@1*"}, {"r", "0 - 1@1,2@2*"}, {"r", "0 - 1@1,2@2*"}, {"r", "1 1@1,2@2 -*"},
      {"r", "1 1@1,2@2 -*"}, {"-2", "1 1@1,2@2 -*"}}},
    {"marks after a command stay above its result through undo and redo",
     {{"cmd", "1 - -*"}, {"+1", "1 - 1@1*"}, {"u", "1 - -*"}, {"u", "1 - -*"}, {"u", "0 - -"}, {"r", "0 - -"},
      {"r", "1 - -*"}, {"r", "1 - 1@1*"}, {"cmd", "2 1@1 -*"}, {"u", "1 - 1@1*"}}},
    {"a mark after an undone command starts a new branch",
     {{"cmd", "1 - -*"}, {"u", "0 - -"}, {"+3", "0 - 3@3*"}, {"r", "0 - 3@3*"}, {"u", "0 - -"}, {"u", "0 - -"},
      {"u", "0 - -"}, {"r", "0 - -"}, {"r", "0 - 3@3*"}}},
    {"the marks under a dropped snapshot go with it",
     {{"+1", "0 - 1@1*"}, {"cmd", "1 1@1 -*"}, {"cmd", "2 1@1 -*"}, {"cmd", "3 1@1 -*"}, {"cmd", "4 1@1 -*"},
      {"cmd", "5 1@1 -*"}, {"u", "4 1@1 -*"}, {"u", "3 1@1 -*"}, {"u", "2 1@1 -*"}, {"u", "1 1@1 -*"},
      {"u", "1 1@1 -*"}}},
    {"saving draws the marks into the file; the reopened picture has none to edit",
     {{"+1", "0 - 1@1*"}, {"+2", "0 - 1@1,2@2*"}, {"save", "0 1@1,2@2 -"}, {"u", "0 - 1@1,2@2*"},
      {"r", "0 - 1@1,2@2*"}, {"r", "0 1@1,2@2 -"}, {"reopen", "0 1@1,2@2 -"}, {"u", "0 1@1,2@2 -"}}},
};

TEST(Markup, EditsCommandsUndoRedoAndSaving)
{
    testing::TempFolder folder;
    for (const Case &test : kCases) {
        SCOPED_TRACE(test.name);
        const std::string file = folder.path() + "marked.bmp";
        WritePictureFile(TBitmap(16, 2), file, PictureFormat::Bmp);
        PictureDocument document(ReadPictureFile(file, PictureFormat::Bmp), file);
        document.SetMarkPainter(paintDots);
        for (const auto &[op, expected] : test.steps) {
            run(document, op, file);
            document.SetMarkPainter(paintDots);
            EXPECT_EQ(state(document), expected) << "after " << op;
        }
    }
}

TEST(Markup, MarksNeedAPainter)
{
    PictureDocument document(TBitmap(4, 4), "");
    EXPECT_THROW(document.AddMark(dot(1)), Error);
    EXPECT_TRUE(document.Marks().empty());
}

} // namespace
} // namespace vistrel

#include "document/output_rules.h"

#include <gtest/gtest.h>

namespace vistrel {
namespace {

TEST(SaveAsTarget, TheFilterDecidesFormatAndAddsItsExactExtension)
{
    const struct {
        const char *typed;
        int item;
        const char *path;
        PictureFormat format;
    } cases[] = {
        {"/p/shot", kSaveJpegItem, "/p/shot.jpg", PictureFormat::Jpeg},
        {"/p/shot.jpg", kSaveJpegItem, "/p/shot.jpg", PictureFormat::Jpeg},
        {"/p/shot.bmp", kSaveJpegItem, "/p/shot.bmp.jpg", PictureFormat::Jpeg},
        {"/p/a.JPG", kSaveJpegItem, "/p/a.JPG.jpg", PictureFormat::Jpeg},
        {"/p/a.jpeg", kSaveJpegItem, "/p/a.jpeg.jpg", PictureFormat::Jpeg},
        {"/p.d/shot", kSaveBmpItem, "/p.d/shot.bmp", PictureFormat::Bmp},
        {"/p/shot.bmp", kSaveBmpItem, "/p/shot.bmp", PictureFormat::Bmp},
        {"/p/shot.BMP", kSaveBmpItem, "/p/shot.BMP.bmp", PictureFormat::Bmp},
        {"/p/shot.jpg", kSaveBmpItem, "/p/shot.jpg.bmp", PictureFormat::Bmp},
        {"/p/shot", kSavePngItem, "/p/shot.png", PictureFormat::Png},
        {"/p/shot.png", kSavePngItem, "/p/shot.png", PictureFormat::Png},
        {"/p/shot.PNG", kSavePngItem, "/p/shot.PNG.png", PictureFormat::Png},
    };
    for (const auto &c : cases) {
        const SaveTarget target = SaveAsTarget(c.typed, c.item);
        EXPECT_EQ(target.Path, c.path) << c.typed << " item " << c.item;
        EXPECT_EQ(target.Format, c.format) << c.typed;
    }
    for (int other : {0, 4, -1})
        EXPECT_EQ(SaveAsTarget("/p/shot.jpg", other).Format, PictureFormat::None) << other;
}

TEST(PrintFactor, WholeDotsPerScreenPixelAndNothingBelowTheScreen)
{
    const struct {
        int printer, screen, factor;
    } cases[] = {{300, 96, 3}, {600, 96, 6}, {1200, 96, 12}, {96, 96, 1}, {72, 96, 0}, {300, 0, 0}, {0, 96, 0},
                 {-300, 96, 0}};
    for (const auto &c : cases)
        EXPECT_EQ(PrintFactor(c.printer, c.screen), c.factor) << c.printer << "/" << c.screen;
}

TEST(PrintRect, ScalesFromTheCornerWithoutOverflow)
{
    EXPECT_EQ(PrintRect(100, 50, 3, 3), (TRect{0, 0, 300, 150}));
    EXPECT_EQ(PrintRect(100, 50, 0, 0), (TRect{0, 0, 0, 0}));
    EXPECT_EQ(PrintRect(2000000000, 10, 4, 2).Right, 2147483647);
}

TEST(PictureMail, TheFeedbackAddressSendsAndReceivesThePicturesFile)
{
    const MailRequest request = PictureMailRequest("/pictures/shot.jpg");
    EXPECT_EQ(request.Subject, "Send mail with Vistrel");
    EXPECT_EQ(request.NoteText, "I like this program!!");
    for (const std::string &address : {request.FromName, request.FromAddress, request.ToName, request.ToAddress})
        EXPECT_EQ(address, kFeedbackAddress);
    EXPECT_EQ(request.AttachPath, "/pictures/shot.jpg");
    EXPECT_EQ(request.AttachName, "/pictures/shot.jpg");
    EXPECT_TRUE(request.ShowDialog);
    EXPECT_TRUE(request.ConfirmDone);
}

} // namespace
} // namespace vistrel

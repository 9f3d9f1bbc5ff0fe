#include "app/main_window.h"

#include "about/about_box.h"
#include "about/donate_form.h"

#include <QAction>

namespace vistrel {

namespace {

const char *const kCredits[] = {
    "This Screen shoot utility helps you to ",
    "capture any part of the windows screen.",
    "Vistrel saves up to 10 images in one ",
    "session.",
    "It has the ability to create multiple ",
    "screenshoots from the same frame, ",
    "which allows to copy an animation.",
    "",
    "You can convert images in icons.",
    "Together with an Icon Editor it is",
    "possible to create movie-like ",
    "animated icons for desktop themes.",
    "",
    "Basically Vistrel, like most of my",
    "other applications is Freeware.",
    "But due to the downloads from my",
    "page I do have to pay a bandwidth fee",
    "to the Hosting Company. ",
    "",
    "This is the reason why I ask for a",
    "donation. Any value might be welcome.",
    "Just enter a value and click on donate",
    "to go to PayPal for the payment.",
    "",
    "Thanks for supporting and for using",
    "my software!",
};

void ConfigureAboutBox(TAboutBoxDlg &about)
{
    about.ProductName = QStringLiteral("Vistrel");
    about.Version = QStringLiteral("2.0");
    about.Copyright = QStringLiteral("2026 the Vistrel authors");
    about.UseBackBMP = false;
    about.UseMovie = true;
    about.SetMovieSpeed(44);
    about.BackCol = Qt::darkBlue; // navy
    about.SetAFont(DesktopPixelFont(QStringLiteral("Courier New"), 12), Qt::white);
    about.aShadow = true;
    for (const char *line : kCredits)
        about.MovieText.append(QString::fromUtf8(line));
}

} // namespace

void TForm1::wireAboutCommands()
{
    About = std::make_unique<TAboutBoxDlg>();
    ConfigureAboutBox(*About);
    DonateDlg1 = std::make_unique<TDonateDlg>();
    DonateDlg1->SetProductName(QStringLiteral("Vistrel"));
    DonateDlg1->Value = 5;

    connect(About1, &QAction::triggered, this, &TForm1::ShowAbout);
    connect(Donate1, &QAction::triggered, this, &TForm1::ShowDonate);
    About1->setEnabled(true);
    Donate1->setEnabled(true);
}

void TForm1::ShowAbout()
{
    About->Comments = AboutComments();
    About->Execute(this);
}

void TForm1::ShowDonate() { DonateDlg1->Execute(this); }

} // namespace vistrel

// Photographs the program's windows for the manual: the real main window, document window,
// dialogs and capture launcher, each grabbed once it has painted. Run it through
// scripts/make-manual-screenshots.sh, which gives it a virtual display and a fresh program folder.
#include "about/about_box.h"
#include "about/donate_form.h"
#include "app/error_handler.h"
#include "app/main_window.h"
#include "app/tool_icons.h"
#include "capture/start_form.h"
#include "document/child_window.h"
#include "imaging/enhance_form.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>

#include <iostream>

namespace {

using namespace vistrel;

// Lets the windows settle and paint (and timers run) for a while.
void Settle(int milliseconds)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < milliseconds)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

void Save(QWidget *window, const QString &folder, const char *name)
{
    const QString path = folder + '/' + name;
    if (!window->grab().save(path, "PNG", 9)) {
        std::cerr << "could not write " << path.toStdString() << "\n";
        std::exit(1);
    }
    std::cout << path.toStdString() << "\n";
}

// A hill landscape, so the document window shows a picture rather than a test pattern.
QString WriteSamplePicture(const QString &folder)
{
    QImage picture(480, 300, QImage::Format_RGB32);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 200);
    sky.setColorAt(0, QColor(0x4a, 0x86, 0xc8));
    sky.setColorAt(1, QColor(0xcf, 0xe4, 0xf5));
    painter.fillRect(picture.rect(), sky);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xff, 0xe0, 0x80));
    painter.drawEllipse(QPoint(370, 70), 30, 30);
    painter.setBrush(QColor(0x5d, 0x8a, 0x3c));
    painter.drawEllipse(QRect(-120, 170, 460, 260));
    painter.setBrush(QColor(0x3f, 0x6e, 0x2a));
    painter.drawEllipse(QRect(180, 190, 460, 240));
    painter.end();
    const QString path = folder + "/hills.jpg";
    picture.save(path, "JPG", 90);
    return path;
}

QWidget *TopLevel(const char *className)
{
    for (QWidget *window : QApplication::topLevelWidgets())
        if (window->isVisible() && window->inherits(className))
            return window;
    return nullptr;
}

} // namespace

int main(int argc, char **argv)
{
    VistrelApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vistrel"));
    QApplication::setWindowIcon(ShootIcon());
    if (argc != 2 || qEnvironmentVariableIsEmpty("VISTREL_HOME")) {
        std::cerr << "usage: VISTREL_HOME=EMPTY_FOLDER manual_screenshots OUTPUT_FOLDER\n";
        return 2;
    }
    const QString output = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(output);

    TForm1 frame;
    frame.resize(760, 520);
    frame.move(20, 20);
    frame.show();
    frame.OpenPicture(WriteSamplePicture(qEnvironmentVariable("VISTREL_HOME")).toStdString());
    Settle(2000); // the thumbnails are made in the background
    Save(&frame, output, "main-window.png");
    auto *child = qobject_cast<TChild *>(frame.ActiveMDIChild());
    if (!child) {
        std::cerr << "the sample picture did not open\n";
        return 1;
    }
    Save(child, output, "document-window.png");

    TPicEnhanceForm enhance(&frame);
    enhance.SetWorkBitmap(child->Picture());
    enhance.show();
    Settle(400);
    Save(&enhance, output, "enhancements.png");
    enhance.hide();

    frame.About->Comments = frame.AboutComments();
    const std::unique_ptr<TAboutBox> about = frame.About->CreateForm(&frame);
    about->show();
    Settle(4500); // long enough for the first credit lines to rise into view
    Save(about.get(), output, "about.png");
    about->hide();

    const std::unique_ptr<TDonateForm> donate = frame.DonateDlg1->CreateForm(&frame);
    donate->show();
    donate->activateWindow();
    Settle(600);
    Save(donate.get(), output, "donate.png");
    donate->hide();

    frame.actShoot->trigger();
    Settle(800);
    if (QWidget *launcher = TopLevel("vistrel::TStartF"))
        Save(launcher, output, "launcher.png");
    return 0;
}

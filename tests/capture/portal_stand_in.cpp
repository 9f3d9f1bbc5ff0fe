// A stand-in for the desktop portal's screenshot service, for tests on a private session bus.
//   portal_stand_in MODE PICTURE LOG
// MODE says how it answers each Screenshot call:
//   answer   success, with PICTURE as the screenshot
//   confirm  refuses quiet requests, answers interactive ones with PICTURE
//   refuse   refuses every request (response 2)
//   cancel   the user cancelled (response 1)
//   silent   takes the request and never answers it
//   mute     never even returns from the call
//   nobackend  runs without a screenshot backend: the Screenshot interface is not there
// A successful answer names a fresh copy of PICTURE beside it, as a portal names the file it saved.
// Every call appends "call <parent_window> <interactive>" to LOG, every Request.Close "close".

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QFile>
#include <QTimer>
#include <QUrl>
#include <QVariantMap>

#include <cstdio>

namespace {

QString gMode, gPicture, gLog;

void Log(const QString &line)
{
    QFile log(gLog);
    if (log.open(QIODevice::Append | QIODevice::Text))
        log.write((line + '\n').toUtf8());
}

class Request : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Request")
public:
    using QObject::QObject;
public Q_SLOTS:
    void Close() { Log(QStringLiteral("close")); }
};

class ScreenshotPortal : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Screenshot")
    Q_PROPERTY(uint version READ version)
public:
    uint version() const { return 2; }

public Q_SLOTS:
    QDBusObjectPath Screenshot(const QString &parent, const QVariantMap &options, const QDBusMessage &message)
    {
        const bool interactive = options.value(QStringLiteral("interactive")).toBool();
        Log(QStringLiteral("call %1 %2").arg(parent.isEmpty() ? QStringLiteral("-") : parent).arg(interactive));
        QString sender = message.service();
        sender.remove(0, 1).replace('.', '_');
        const QString path = QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2")
                                 .arg(sender, options.value(QStringLiteral("handle_token")).toString());
        if (gMode == QLatin1String("mute")) {
            message.setDelayedReply(true);
            return {};
        }
        QDBusConnection::sessionBus().registerObject(path, new Request(this), QDBusConnection::ExportAllSlots);
        if (gMode != QLatin1String("silent"))
            QTimer::singleShot(20, this, [path, interactive] { respond(path, interactive); });
        return QDBusObjectPath(path);
    }

private:
    static void respond(const QString &path, bool interactive)
    {
        uint response = 0;
        if (gMode == QLatin1String("refuse") || (gMode == QLatin1String("confirm") && !interactive))
            response = 2;
        else if (gMode == QLatin1String("cancel"))
            response = 1;
        QVariantMap results;
        if (response == 0) {
            static int copies = 0;
            const QString copy = QStringLiteral("%1.%2.png").arg(gPicture).arg(++copies);
            QFile::copy(gPicture, copy);
            results.insert(QStringLiteral("uri"), QUrl::fromLocalFile(copy).toString());
        }
        QDBusMessage signal =
            QDBusMessage::createSignal(path, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"));
        signal << response << results;
        QDBusConnection::sessionBus().send(signal);
    }
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: portal_stand_in MODE PICTURE LOG\n");
        return 2;
    }
    gMode = QString::fromLocal8Bit(argv[1]);
    gPicture = QString::fromLocal8Bit(argv[2]);
    gLog = QString::fromLocal8Bit(argv[3]);
    QDBusConnection bus = QDBusConnection::sessionBus();
    ScreenshotPortal screenshot;
    QObject noInterfaces;
    QObject *desktop = gMode == QLatin1String("nobackend") ? &noInterfaces : &screenshot;
    if (!bus.registerObject(QStringLiteral("/org/freedesktop/portal/desktop"), desktop,
                            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties)
        || !bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop"))) {
        std::fprintf(stderr, "portal_stand_in: %s\n", qPrintable(bus.lastError().message()));
        return 1;
    }
    return QCoreApplication::exec();
}

#include "portal_stand_in.moc"

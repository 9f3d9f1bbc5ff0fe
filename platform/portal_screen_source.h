#pragma once

#include "platform/screen_source.h"

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QVariantMap>

#include <memory>

namespace vistrel {

// How long the desktop portal may take. A portal that does not answer in time is given up, so
// the user is never left without a window of the program.
struct PortalTimeouts {
    int callMs = 5000;               // the portal takes the request
    int answerMs = 6000;             // it answers a request that needs no one's decision
    int interactiveAnswerMs = 120000; // the user finishes with the portal's own dialog
};

// Asks the desktop for a screenshot through the portal (org.freedesktop.portal.Screenshot on the
// session bus), as Wayland sessions require: quietly first, and with the portal's own dialog when
// the portal will not do it quietly. The picture it returns is laid over the monitors.
class PortalScreenSource final : public QObject, public ScreenSource {
    Q_OBJECT
public:
    explicit PortalScreenSource(QDBusConnection bus = QDBusConnection::sessionBus(), PortalTimeouts timeouts = {});
    ~PortalScreenSource() override;

    // A new request replaces one still running, whose callbacks then never run.
    void request(const QWindow *parent, Done done, Failed failed) override;

    // True when a portal service is on the bus, running or ready to be started by it.
    static bool isAvailable(const QDBusConnection &bus = QDBusConnection::sessionBus());
    // How the portal names `window`: "x11:<id>" for an X11 window, empty where the window
    // cannot be named to another program (the portal then places its dialog on its own).
    static QString parentWindowHandle(const QWindow *window);

private Q_SLOTS:
    void onResponse(uint response, const QVariantMap &results);

private:
    void checkScreenshotInterface();
    void ask(bool interactive);
    void listenAt(const QString &handle);
    void stopListening();
    void deliver(const QString &uri);
    void giveUp();
    void fail(const std::string &message);
    void reset();

    QDBusConnection bus_;
    PortalTimeouts timeouts_;
    QTimer timer_;
    QString parent_;
    QString handle_;
    bool interactive_ = false;
    int requests_ = 0;
    Done done_;
    Failed failed_;
};

// The desktop as this session lets the program read it: directly where X11 allows it, through
// the portal otherwise (Wayland) and also when a direct read fails. Throws Error when the
// session offers neither.
std::shared_ptr<ScreenSource> MakeDesktopScreenSource();

} // namespace vistrel

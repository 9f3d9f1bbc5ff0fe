#include "platform/portal_screen_source.h"

#include "platform/error.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>
#include <QStandardPaths>
#include <QUrl>
#include <QWindow>

namespace vistrel {

namespace {

const char *const kService = "org.freedesktop.portal.Desktop";
const char *const kPath = "/org/freedesktop/portal/desktop";
const char *const kScreenshot = "org.freedesktop.portal.Screenshot";
const char *const kRequest = "org.freedesktop.portal.Request";

// Answers of org.freedesktop.portal.Request.Response.
constexpr uint kSuccess = 0;
constexpr uint kCancelled = 1;

// The largest desktop picture accepted, per side; a bigger one is not a desktop.
constexpr int kMaxPictureSide = 32768;

const char *const kNoCaptureMessage =
    "The screen cannot be captured in this session: it neither lets programs read the screen "
    "(X11) nor offers the desktop portal's screenshot service (install xdg-desktop-portal and "
    "the portal of your desktop).";
const char *const kNoBackendMessage =
    "The screen cannot be captured in this session: the desktop portal runs, but no portal "
    "backend offers screenshots for this desktop (install the portal backend of your desktop, "
    "such as xdg-desktop-portal-gtk, -gnome, -kde or -wlr).";
const char *const kRefusedMessage = "The desktop refused to take a screenshot. No screenshot was taken.";
const char *const kSilentMessage =
    "The desktop did not answer the request for a screenshot in time. No screenshot was taken.";

// The object path of the request the portal makes for `token`: the bus name of this connection
// without ":" and with "." as "_".
QString requestPath(const QDBusConnection &bus, const QString &token)
{
    QString sender = bus.baseService();
    sender.remove(0, 1).replace(QLatin1Char('.'), QLatin1Char('_'));
    return QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
}

std::string callFailure(const QDBusError &error)
{
    switch (error.type()) {
    case QDBusError::ServiceUnknown:
    case QDBusError::UnknownObject:
    case QDBusError::UnknownInterface:
    case QDBusError::UnknownMethod: return kNoCaptureMessage;
    case QDBusError::NoReply:
    case QDBusError::Timeout: return kSilentMessage;
    default: return "The desktop portal could not take a screenshot: " + error.message().toStdString();
    }
}

// The portal's own picture in a temporary folder is ours to remove once read; a file in the
// user's picture folders is a screenshot the user keeps.
bool isPortalLeftover(const QString &path)
{
    const auto inside = [](const QString &file, const QString &folder) {
        const QString canonical = QDir(folder).canonicalPath();
        return !canonical.isEmpty() && file.startsWith(canonical + QLatin1Char('/'));
    };
    const QString file = QFileInfo(path).canonicalFilePath();
    for (const QString &pictures : QStandardPaths::standardLocations(QStandardPaths::PicturesLocation))
        if (inside(file, pictures))
            return false;
    return inside(file, QDir::tempPath());
}

QImage readPicture(const QString &path, std::string &why)
{
    QImageReader reader(path);
    const QSize size = reader.size();
    if (size.width() > kMaxPictureSide || size.height() > kMaxPictureSide) {
        why = "the picture is too large";
        return {};
    }
    QImage picture = reader.read();
    if (picture.isNull())
        why = reader.errorString().toStdString();
    return picture;
}

// Reads directly, and asks the portal when the direct read fails.
class FallbackScreenSource final : public ScreenSource {
public:
    void request(const QWindow *parent, Done done, Failed failed) override
    {
        std::string directFailure;
        direct_.request(parent, done, [&directFailure](const std::string &message) { directFailure = message; });
        if (directFailure.empty())
            return;
        if (!PortalScreenSource::isAvailable())
            return failed(directFailure);
        if (!portal_)
            portal_ = std::make_unique<PortalScreenSource>();
        portal_->request(parent, std::move(done), std::move(failed));
    }

private:
    QScreenSource direct_;
    std::unique_ptr<PortalScreenSource> portal_;
};

} // namespace

PortalScreenSource::PortalScreenSource(QDBusConnection bus, PortalTimeouts timeouts)
    : bus_(std::move(bus)), timeouts_(timeouts)
{
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &PortalScreenSource::giveUp);
}

PortalScreenSource::~PortalScreenSource() { stopListening(); }

bool PortalScreenSource::isAvailable(const QDBusConnection &bus)
{
    const QDBusConnectionInterface *names = bus.isConnected() ? bus.interface() : nullptr;
    if (!names)
        return false;
    // The bus starts the portal on the first request when it is installed but not running yet.
    const QString service = QString::fromLatin1(kService);
    return names->isServiceRegistered(service).value() || names->activatableServiceNames().value().contains(service);
}

QString PortalScreenSource::parentWindowHandle(const QWindow *window)
{
    if (!window || QGuiApplication::platformName() != QLatin1String("xcb"))
        return {};
    return QStringLiteral("x11:%1").arg(window->winId(), 0, 16);
}

void PortalScreenSource::request(const QWindow *parent, Done done, Failed failed)
{
    reset();
    done_ = std::move(done);
    failed_ = std::move(failed);
    parent_ = parentWindowHandle(parent);
    if (!bus_.isConnected())
        return fail(kNoCaptureMessage);
    checkScreenshotInterface();
}

// The portal service runs without a backend for this desktop's screenshots, and then does not
// offer the interface: its version tells before any request is made.
void PortalScreenSource::checkScreenshotInterface()
{
    QDBusMessage get = QDBusMessage::createMethodCall(QString::fromLatin1(kService), QString::fromLatin1(kPath),
                                                      QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Get"));
    get << QString::fromLatin1(kScreenshot) << QStringLiteral("version");
    auto *watcher = new QDBusPendingCallWatcher(bus_.asyncCall(get, timeouts_.callMs), this);
    const int sent = requests_;
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, sent] {
        watcher->deleteLater();
        if (sent != requests_ || !done_)
            return;
        const QDBusPendingReply<QDBusVariant> reply = *watcher;
        if (!reply.isError())
            return reply.value().variant().toUInt() > 0 ? ask(false) : fail(kNoBackendMessage);
        const QDBusError::ErrorType error = reply.error().type();
        const bool noInterface = error == QDBusError::InvalidArgs || error == QDBusError::UnknownInterface
                                 || error == QDBusError::UnknownProperty;
        fail(noInterface ? kNoBackendMessage : callFailure(reply.error()));
    });
    timer_.start(timeouts_.callMs + timeouts_.answerMs);
}

void PortalScreenSource::ask(bool interactive)
{
    stopListening();
    interactive_ = interactive;
    const QString token = QStringLiteral("vistrel%1").arg(++requests_);
    // Listening before asking: a quick portal may answer before its call returns.
    listenAt(requestPath(bus_, token));
    QDBusMessage call = QDBusMessage::createMethodCall(QString::fromLatin1(kService), QString::fromLatin1(kPath),
                                                       QString::fromLatin1(kScreenshot), QStringLiteral("Screenshot"));
    const QVariantMap options{{QStringLiteral("handle_token"), token},
                              {QStringLiteral("modal"), true},
                              {QStringLiteral("interactive"), interactive}};
    call << parent_ << options;
    auto *watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call, timeouts_.callMs), this);
    const int sent = requests_;
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, sent] {
        watcher->deleteLater();
        if (sent != requests_ || !done_)
            return; // an answer to a request given up or replaced since
        const QDBusPendingReply<QDBusObjectPath> reply = *watcher;
        if (reply.isError())
            return fail(callFailure(reply.error()));
        // Older portals choose the request's path themselves.
        if (const QString handle = reply.value().path(); handle != handle_)
            listenAt(handle);
    });
    timer_.start(timeouts_.callMs + (interactive ? timeouts_.interactiveAnswerMs : timeouts_.answerMs));
}

void PortalScreenSource::listenAt(const QString &handle)
{
    stopListening();
    handle_ = handle;
    bus_.connect(QString::fromLatin1(kService), handle_, QString::fromLatin1(kRequest), QStringLiteral("Response"), this,
                 SLOT(onResponse(uint, QVariantMap)));
}

void PortalScreenSource::stopListening()
{
    if (handle_.isEmpty())
        return;
    bus_.disconnect(QString::fromLatin1(kService), handle_, QString::fromLatin1(kRequest), QStringLiteral("Response"),
                    this, SLOT(onResponse(uint, QVariantMap)));
    handle_.clear();
}

void PortalScreenSource::onResponse(uint response, const QVariantMap &results)
{
    if (!done_)
        return;
    if (response == kSuccess)
        return deliver(results.value(QStringLiteral("uri")).toString());
    if (response == kCancelled)
        return fail({});
    // Refused without a word: maybe the portal only takes screenshots the user confirms.
    if (!interactive_)
        return ask(true);
    fail(kRefusedMessage);
}

void PortalScreenSource::deliver(const QString &uri)
{
    const QUrl url(uri);
    std::string why = "the portal named no local file";
    const QImage picture = url.isLocalFile() ? readPicture(url.toLocalFile(), why) : QImage();
    if (url.isLocalFile() && isPortalLeftover(url.toLocalFile()))
        QFile::remove(url.toLocalFile());
    if (picture.isNull())
        return fail("The desktop's screenshot could not be read (" + uri.toStdString() + "): " + why);
    const Done done = std::move(done_);
    reset();
    done(DesktopPictureToScreenCopy(picture, MonitorPlaces()));
}

void PortalScreenSource::giveUp()
{
    // Closing the request takes the portal's dialog, if it shows one, off the screen.
    if (!handle_.isEmpty())
        bus_.asyncCall(QDBusMessage::createMethodCall(QString::fromLatin1(kService), handle_,
                                                      QString::fromLatin1(kRequest), QStringLiteral("Close")));
    fail(kSilentMessage);
}

void PortalScreenSource::fail(const std::string &message)
{
    const Failed failed = std::move(failed_);
    reset();
    if (failed)
        failed(message);
}

// Forgets the running request; answers still on their way are ignored.
void PortalScreenSource::reset()
{
    timer_.stop();
    stopListening();
    ++requests_;
    done_ = nullptr;
    failed_ = nullptr;
}

std::shared_ptr<ScreenSource> MakeDesktopScreenSource()
{
    if (QScreenSource::readsThisSession())
        return std::make_shared<FallbackScreenSource>();
    if (PortalScreenSource::isAvailable())
        return std::make_shared<PortalScreenSource>();
    throw Error(kNoCaptureMessage);
}

} // namespace vistrel

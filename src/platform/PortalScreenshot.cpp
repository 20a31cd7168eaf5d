#include "platform/PortalScreenshot.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <QUrl>
#include <atomic>

namespace velmor::platform::portal {

namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kScreenshot = QStringLiteral("org.freedesktop.portal.Screenshot");
const QString kRequest = QStringLiteral("org.freedesktop.portal.Request");

// Receives the one Response signal of a request and ends the wait for it.
class ResponseCatcher : public QObject {
  Q_OBJECT
 public:
  bool answered = false;
  Response response;
  QEventLoop loop;

 public slots:
  void onResponse(uint code, const QVariantMap& results) {
    answered = true;
    response = ReadResponse(code, results);
    loop.quit();
  }
};

QString NextToken() {
  static std::atomic<int> counter{0};
  return QStringLiteral("velmor%1").arg(++counter);
}

}  // namespace

QString RequestPath(const QString& uniqueName, const QString& token) {
  QString sender = uniqueName;
  if (sender.startsWith(QLatin1Char(':'))) sender.remove(0, 1);
  sender.replace(QLatin1Char('.'), QLatin1Char('_'));
  return kPath + QStringLiteral("/request/") + sender + QLatin1Char('/') + token;
}

Response ReadResponse(uint code, const QVariantMap& results) {
  // 0 success, 1 cancelled by the user, 2 ended in another way.
  if (code == 1) return {Outcome::Refused, {}};
  if (code != 0) return {Outcome::Failed, {}};
  const QString uri = results.value(QStringLiteral("uri")).toString();
  if (uri.isEmpty()) return {Outcome::Failed, {}};
  return {Outcome::Picture, uri};
}

QStringList TemporaryFolders() {
  QStringList folders{QDir::tempPath(), QStringLiteral("/tmp"), QStringLiteral("/var/tmp")};
  folders.removeDuplicates();
  return folders;
}

QImage TakePictureFile(const QString& uri, const QStringList& temporary,
                       const PictureLimits& limits) {
  const QUrl url(uri);
  if (!url.isLocalFile()) return {};
  const QString path = url.toLocalFile();
  const std::optional<QImage> picture = LoadPicture(path, limits);

  // The portal leaves its picture behind; one in a temporary folder is nobody else's, one in
  // the user's pictures folder (as GNOME writes it) is the user's to keep.
  const QString canonical = QFileInfo(path).canonicalFilePath();
  for (const QString& folder : temporary) {
    const QString root = QFileInfo(folder).canonicalFilePath();
    if (!root.isEmpty() && !canonical.isEmpty() && canonical.startsWith(root + QLatin1Char('/'))) {
      QFile::remove(canonical);
      break;
    }
  }
  if (!picture || picture->isNull()) return {};
  QImage opaque = OpaqueRgb32(*picture);
  opaque.setDevicePixelRatio(1.0);
  return opaque;
}

uint AvailableTargets(int timeoutMs) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return 0;
  QDBusMessage get = QDBusMessage::createMethodCall(
      kService, kPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
  get << kScreenshot << QStringLiteral("AvailableTargets");
  const QDBusMessage reply = bus.call(get, QDBus::Block, timeoutMs);
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return 0;
  return qvariant_cast<QDBusVariant>(reply.arguments().front()).variant().toUInt();
}

Screenshot TakeScreenshot(bool interactive, int timeoutMs, uint target) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return {Outcome::NoPortal, {}};
  if (QDBusConnectionInterface* names = bus.interface();
      names && !names->isServiceRegistered(kService).value() &&
      !names->activatableServiceNames().value().contains(kService))
    return {Outcome::NoPortal, {}};

  // Subscribe before calling: the answer may come before the call returns.
  ResponseCatcher catcher;
  const QString token = NextToken();
  QString requestPath = RequestPath(bus.baseService(), token);
  const char* slot = SLOT(onResponse(uint, QVariantMap));
  bus.connect(kService, requestPath, kRequest, QStringLiteral("Response"), &catcher, slot);

  QDBusMessage call =
      QDBusMessage::createMethodCall(kService, kPath, kScreenshot, QStringLiteral("Screenshot"));
  QVariantMap options{{QStringLiteral("handle_token"), token},
                      {QStringLiteral("interactive"), interactive},
                      {QStringLiteral("modal"), true}};
  if (target != 0) options.insert(QStringLiteral("target"), target);
  call << QString() << options;
  const QDBusMessage reply = bus.call(call, QDBus::Block, timeoutMs);
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
    bus.disconnect(kService, requestPath, kRequest, QStringLiteral("Response"), &catcher, slot);
    return {Outcome::NoPortal, {}};
  }
  // Older portals choose the request's path themselves.
  const QString answeredPath = qvariant_cast<QDBusObjectPath>(reply.arguments().front()).path();
  if (!answeredPath.isEmpty() && answeredPath != requestPath) {
    bus.disconnect(kService, requestPath, kRequest, QStringLiteral("Response"), &catcher, slot);
    requestPath = answeredPath;
    bus.connect(kService, requestPath, kRequest, QStringLiteral("Response"), &catcher, slot);
  }

  if (!catcher.answered) {
    QTimer::singleShot(timeoutMs, &catcher.loop, &QEventLoop::quit);
    catcher.loop.exec(QEventLoop::ExcludeUserInputEvents);
  }
  bus.disconnect(kService, requestPath, kRequest, QStringLiteral("Response"), &catcher, slot);
  if (!catcher.answered) {
    // Nobody waits for it any more.
    bus.call(
        QDBusMessage::createMethodCall(kService, requestPath, kRequest, QStringLiteral("Close")),
        QDBus::NoBlock);
    return {Outcome::Failed, {}};
  }
  if (catcher.response.outcome != Outcome::Picture) return {catcher.response.outcome, {}};
  QImage picture = TakePictureFile(catcher.response.uri, TemporaryFolders());
  if (picture.isNull()) return {Outcome::Failed, {}};
  return {Outcome::Picture, std::move(picture)};
}

}  // namespace velmor::platform::portal

#include "PortalScreenshot.moc"

// A desktop portal that answers every Screenshot call in one way chosen on the command line,
// for the scenarios the real portal does not play: the user refusing, a broken picture file, and
// a portal of version 3 that takes the active window itself (PNG, copied to FILE, answers a call
// for that target; any other call fails).
// Usage: fake_portal refuse | broken FILE | window PNG FILE
#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVirtualObject>
#include <QFile>
#include <QTimer>
#include <QUrl>
#include <cstdio>
#include <memory>

namespace {

const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");

enum class Mode { Refuse, Broken, Window };

class Portal : public QDBusVirtualObject {
 public:
  Portal(Mode mode, QString file, QString window)
      : mode_(mode), file_(std::move(file)), window_(std::move(window)) {}

  QString introspect(const QString& path) const override {
    if (path != kPath) return {};
    return QStringLiteral(
        "<interface name=\"org.freedesktop.portal.Screenshot\">"
        "<method name=\"Screenshot\"><arg type=\"s\" direction=\"in\"/>"
        "<arg type=\"a{sv}\" direction=\"in\"/><arg type=\"o\" direction=\"out\"/></method>"
        "<property name=\"version\" type=\"u\" access=\"read\"/></interface>");
  }

  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
    if (message.member() == QLatin1String("Get") && message.arguments().size() == 2) {
      const QString name = message.arguments().at(1).toString();
      const uint value = name == QLatin1String("version") ? (mode_ == Mode::Window ? 3 : 2)
                         : name == QLatin1String("AvailableTargets") && mode_ == Mode::Window ? 9
                                                                                              : 0;
      QDBusConnection(connection)
          .send(message.createReply(QVariant::fromValue(QDBusVariant(QVariant::fromValue(value)))));
      return true;
    }
    if (message.member() != QLatin1String("Screenshot") || message.arguments().size() < 2)
      return false;
    const QVariantMap options = qdbus_cast<QVariantMap>(message.arguments().at(1));
    QString sender = message.service().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    const QString request = kPath + QStringLiteral("/request/") + sender + QLatin1Char('/') +
                            options.value(QStringLiteral("handle_token")).toString();
    QDBusConnection bus = connection;
    bus.send(message.createReply(QVariant::fromValue(QDBusObjectPath(request))));

    QVariantMap results;
    uint code = 0;
    if (mode_ == Mode::Refuse) {
      code = 1;
    } else if (mode_ == Mode::Broken) {
      QFile broken(file_);
      if (broken.open(QIODevice::WriteOnly)) broken.write("not a picture at all");
      results.insert(QStringLiteral("uri"), QUrl::fromLocalFile(file_).toString());
    } else if (options.value(QStringLiteral("target")).toUInt() == 8) {
      QFile::remove(file_);
      QFile::copy(window_, file_);
      results.insert(QStringLiteral("uri"), QUrl::fromLocalFile(file_).toString());
    } else {
      code = 2;
    }
    QTimer::singleShot(50, [bus, request, code, results]() mutable {
      QDBusMessage response = QDBusMessage::createSignal(
          request, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"));
      response << code << results;
      bus.send(response);
    });
    return true;
  }

 private:
  Mode mode_;
  QString file_;
  QString window_;
};

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QStringList args = app.arguments();
  if (args.size() < 2) return 2;
  const QString mode = args.at(1);
  std::unique_ptr<Portal> portal;
  if (mode == QLatin1String("refuse"))
    portal = std::make_unique<Portal>(Mode::Refuse, QString(), QString());
  else if (mode == QLatin1String("broken") && args.size() >= 3)
    portal = std::make_unique<Portal>(Mode::Broken, args.at(2), QString());
  else if (mode == QLatin1String("window") && args.size() >= 4)
    portal = std::make_unique<Portal>(Mode::Window, args.at(3), args.at(2));
  else
    return 2;
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.registerVirtualObject(kPath, portal.get()) ||
      !bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop"))) {
    std::fprintf(stderr, "fake portal: cannot take the portal's name\n");
    return 1;
  }
  std::printf("ready\n");
  std::fflush(stdout);
  return app.exec();
}

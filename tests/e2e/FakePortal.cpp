// A desktop portal that answers every Screenshot call in one way chosen on the command line,
// for the scenarios the real portal does not play: the user refusing, and a broken picture file.
// Usage: fake_portal refuse | broken FILE
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

namespace {

const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");

class Portal : public QDBusVirtualObject {
 public:
  Portal(bool refuse, QString file) : refuse_(refuse), file_(std::move(file)) {}

  QString introspect(const QString& path) const override {
    if (path != kPath) return {};
    return QStringLiteral(
        "<interface name=\"org.freedesktop.portal.Screenshot\">"
        "<method name=\"Screenshot\"><arg type=\"s\" direction=\"in\"/>"
        "<arg type=\"a{sv}\" direction=\"in\"/><arg type=\"o\" direction=\"out\"/></method>"
        "<property name=\"version\" type=\"u\" access=\"read\"/></interface>");
  }

  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
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
    if (!refuse_) {
      QFile broken(file_);
      if (broken.open(QIODevice::WriteOnly)) broken.write("not a picture at all");
      results.insert(QStringLiteral("uri"), QUrl::fromLocalFile(file_).toString());
    }
    const uint code = refuse_ ? 1 : 0;
    QTimer::singleShot(50, [bus, request, code, results]() mutable {
      QDBusMessage response = QDBusMessage::createSignal(
          request, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"));
      response << code << results;
      bus.send(response);
    });
    return true;
  }

 private:
  bool refuse_;
  QString file_;
};

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QStringList args = app.arguments();
  if (args.size() < 2) return 2;
  const bool refuse = args.at(1) == QLatin1String("refuse");
  if (!refuse && args.size() < 3) return 2;
  Portal portal(refuse, refuse ? QString() : args.at(2));
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.registerVirtualObject(kPath, &portal) ||
      !bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop"))) {
    std::fprintf(stderr, "fake portal: cannot take the portal's name\n");
    return 1;
  }
  std::printf("ready\n");
  std::fflush(stdout);
  return app.exec();
}

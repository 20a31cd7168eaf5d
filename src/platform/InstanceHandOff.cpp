#include "platform/InstanceHandOff.h"

#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

#include "platform/SingleInstance.h"

namespace velmor::platform {

namespace {

// A request is a path and two words; anything longer is not one of ours.
constexpr qint64 kMaxRequestBytes = 64 * 1024;
// A client that connects and says nothing is dropped after this long.
constexpr int kServerReadTimeoutMs = 3000;
constexpr double kMaxDelaySeconds = 3600;
const QByteArray kAnswer = QByteArrayLiteral("ok\n");

bool IsCaptureKind(const QString& kind) {
  return kind == QLatin1String("screen") || kind == QLatin1String("window") ||
         kind == QLatin1String("rect");
}

}  // namespace

QByteArray LaunchRequest::Encode() const {
  QJsonObject object;
  if (!file.isEmpty()) object.insert(QStringLiteral("file"), file);
  if (!capture.isEmpty()) object.insert(QStringLiteral("capture"), capture);
  if (delaySeconds != 0 || noDelay) object.insert(QStringLiteral("delay"), delaySeconds);
  return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

std::optional<LaunchRequest> LaunchRequest::Decode(const QByteArray& line) {
  QJsonParseError error{};
  const QJsonDocument document = QJsonDocument::fromJson(line.trimmed(), &error);
  if (error.error != QJsonParseError::NoError || !document.isObject()) return std::nullopt;
  const QJsonObject object = document.object();
  LaunchRequest request;
  for (auto it = object.begin(); it != object.end(); ++it) {
    if (it.key() == QLatin1String("file") && it->isString()) {
      request.file = it->toString();
      if (!QDir::isAbsolutePath(request.file)) return std::nullopt;
    } else if (it.key() == QLatin1String("capture") && it->isString()) {
      request.capture = it->toString();
      if (!IsCaptureKind(request.capture)) return std::nullopt;
    } else if (it.key() == QLatin1String("delay") && it->isDouble()) {
      request.delaySeconds = it->toDouble();
      if (!(request.delaySeconds >= 0 && request.delaySeconds <= kMaxDelaySeconds))
        return std::nullopt;
      request.noDelay = request.delaySeconds == 0;
    } else {
      return std::nullopt;
    }
  }
  if (request.IsEmpty()) return std::nullopt;
  if ((request.delaySeconds != 0 || request.noDelay) && request.capture.isEmpty())
    return std::nullopt;
  return request;
}

QString HandOffSocketPath(const QString& key) {
  // Beside the lock and named after it: one socket per program and user, wherever the lock goes.
  QString path = SingleInstanceGuard::LockFilePathFor(key);
  if (path.endsWith(QLatin1String(".lock"))) path.chop(5);
  return path + QStringLiteral(".socket");
}

bool HandOverToRunningCopy(const QString& key, const LaunchRequest& request, int timeoutMs) {
  const QString path = HandOffSocketPath(key);
  // In a shared temporary folder, a socket of another user's is never told our files.
  const QFileInfo info(path);
  if (!info.exists() || info.ownerId() != ::geteuid()) return false;
  QLocalSocket socket;
  socket.connectToServer(path);
  if (!socket.waitForConnected(timeoutMs)) return false;
  socket.write(request.Encode());
  if (!socket.waitForBytesWritten(timeoutMs)) return false;
  QByteArray answer;
  while (!answer.contains('\n')) {
    if (!socket.waitForReadyRead(timeoutMs)) return false;
    answer += socket.readAll();
    if (answer.size() > kAnswer.size()) return false;
  }
  return answer == kAnswer;
}

HandOffServer::HandOffServer(const QString& key, QObject* parent)
    : QObject(parent), path_(HandOffSocketPath(key)) {}

HandOffServer::~HandOffServer() {
  if (server_) server_->close();  // removes the socket file
}

bool HandOffServer::Listen() {
  if (server_) return server_->isListening();
  server_ = new QLocalServer(this);
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  QLocalServer::removeServer(path_);
  if (!server_->listen(path_)) return false;
  connect(server_, &QLocalServer::newConnection, this, &HandOffServer::Accept);
  return true;
}

void HandOffServer::Accept() {
  while (QLocalSocket* socket = server_->nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] { ReadFrom(socket); });
    QTimer::singleShot(kServerReadTimeoutMs, socket, [socket] { socket->abort(); });
    if (socket->bytesAvailable() > 0) ReadFrom(socket);
  }
}

void HandOffServer::ReadFrom(QLocalSocket* socket) {
  if (!socket->canReadLine()) {
    if (socket->bytesAvailable() > kMaxRequestBytes) socket->abort();
    return;
  }
  const QByteArray line = socket->readLine(kMaxRequestBytes);
  const std::optional<LaunchRequest> request = LaunchRequest::Decode(line);
  if (!request) {
    socket->abort();
    return;
  }
  socket->write(kAnswer);
  socket->flush();
  socket->disconnectFromServer();
  emit Requested(*request);
}

}  // namespace velmor::platform

// Hands what a second copy of the program was asked to do (open a file, take a capture) to the
// copy that already runs for the same user, over a local socket beside the single-instance
// lock. The running copy listens; a second copy connects, sends one request and ends.
#pragma once

#include <QObject>
#include <QString>
#include <optional>

class QLocalServer;
class QLocalSocket;

namespace velmor::platform {

struct LaunchRequest {
  QString file;             // absolute path of a picture to open; empty for none
  QString capture;          // "screen", "window", "rect" or empty
  double delaySeconds = 0;  // before the capture
  // --delay 0: the capture starts at once, without the toolbar's delay.
  bool noDelay = false;

  bool IsEmpty() const { return file.isEmpty() && capture.isEmpty(); }
  // One line of JSON, ending in a newline.
  QByteArray Encode() const;
  // Nothing for anything that is not a request this program could have sent.
  static std::optional<LaunchRequest> Decode(const QByteArray& line);
  bool operator==(const LaunchRequest&) const = default;
};

// The socket for the program `key` (see SingleInstanceGuard::KeyForThisProgram).
QString HandOffSocketPath(const QString& key);

// The second copy's side: sends `request` to the running copy and waits until it has taken it.
// False when nobody listens, the socket is not this user's, or no answer comes in time.
bool HandOverToRunningCopy(const QString& key, const LaunchRequest& request, int timeoutMs = 3000);

// The running copy's side. Only the holder of the single-instance guard may listen: it removes
// a socket that a crashed copy left behind.
class HandOffServer : public QObject {
  Q_OBJECT

 public:
  explicit HandOffServer(const QString& key, QObject* parent = nullptr);
  ~HandOffServer() override;

  // False when the socket cannot be made; the program then runs without hand-offs.
  bool Listen();
  QString SocketPath() const { return path_; }

 signals:
  void Requested(const velmor::platform::LaunchRequest& request);

 private:
  void Accept();
  void ReadFrom(QLocalSocket* socket);

  QString path_;
  QLocalServer* server_ = nullptr;
};

}  // namespace velmor::platform

#include "platform/SwayIpc.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <QtEndian>
#include <cmath>

namespace velmor::platform::sway {

namespace {

constexpr char kMagic[] = "i3-ipc";
constexpr int kMagicSize = 6;
constexpr quint32 kGetTree = 4;
constexpr int kHeaderSize = kMagicSize + 8;
constexpr qint64 kMaxAnswer = 64 * 1024 * 1024;

QRect RectOf(const QJsonObject& node) {
  const QJsonObject r = node.value(QLatin1String("rect")).toObject();
  return QRect(r.value(QLatin1String("x")).toInt(), r.value(QLatin1String("y")).toInt(),
               r.value(QLatin1String("width")).toInt(), r.value(QLatin1String("height")).toInt());
}

bool IsWindow(const QJsonObject& node) {
  const QString type = node.value(QLatin1String("type")).toString();
  return (type == QLatin1String("con") || type == QLatin1String("floating_con")) &&
         node.contains(QLatin1String("pid"));
}

// Depth first through tiled and floating children; the tree is small.
const QJsonObject* FindFocused(const QJsonObject& node, QJsonObject& storage, int depth) {
  if (depth > 64) return nullptr;
  if (node.value(QLatin1String("focused")).toBool()) {
    storage = node;
    return &storage;
  }
  for (const char* key : {"nodes", "floating_nodes"}) {
    const QJsonArray children = node.value(QLatin1String(key)).toArray();
    for (const QJsonValue& child : children)
      if (const QJsonObject* found = FindFocused(child.toObject(), storage, depth + 1))
        return found;
  }
  return nullptr;
}

bool ReadExactly(QLocalSocket& socket, QByteArray& into, qint64 size, QElapsedTimer& clock,
                 int timeoutMs) {
  while (into.size() < size) {
    if (socket.bytesAvailable() == 0) {
      const int left = timeoutMs - static_cast<int>(clock.elapsed());
      if (left <= 0 || !socket.waitForReadyRead(left)) return false;
    }
    into += socket.read(size - into.size());
  }
  return true;
}

}  // namespace

std::optional<FocusedWindow> FocusedWindowIn(const QByteArray& treeJson, qint64 ownPid) {
  const QJsonDocument doc = QJsonDocument::fromJson(treeJson);
  if (!doc.isObject()) return std::nullopt;
  const QJsonObject root = doc.object();
  QJsonObject storage;
  const QJsonObject* focused = FindFocused(root, storage, 0);
  if (!focused || !IsWindow(*focused)) return std::nullopt;
  if (focused->value(QLatin1String("pid")).toInteger() == ownPid) return std::nullopt;
  const QRect window = RectOf(*focused);
  const QRect desktop = RectOf(root);
  if (window.isEmpty() || desktop.isEmpty()) return std::nullopt;
  return FocusedWindow{desktop, window};
}

bool Available() {
  return !qEnvironmentVariableIsEmpty("SWAYSOCK");
}

std::optional<QByteArray> GetTree(int timeoutMs) {
  const QString path = qEnvironmentVariable("SWAYSOCK");
  if (path.isEmpty()) return std::nullopt;
  QLocalSocket socket;
  socket.connectToServer(path);
  if (!socket.waitForConnected(timeoutMs)) return std::nullopt;

  QByteArray request(kMagic, kMagicSize);
  char numbers[8];
  qToLittleEndian<quint32>(0, numbers);
  qToLittleEndian<quint32>(kGetTree, numbers + 4);
  request.append(numbers, 8);
  socket.write(request);
  if (!socket.waitForBytesWritten(timeoutMs)) return std::nullopt;

  QElapsedTimer clock;
  clock.start();
  QByteArray header;
  if (!ReadExactly(socket, header, kHeaderSize, clock, timeoutMs)) return std::nullopt;
  if (!header.startsWith(QByteArray(kMagic, kMagicSize))) return std::nullopt;
  const quint32 length = qFromLittleEndian<quint32>(header.constData() + kMagicSize);
  const quint32 type = qFromLittleEndian<quint32>(header.constData() + kMagicSize + 4);
  if (type != kGetTree || length > kMaxAnswer) return std::nullopt;
  QByteArray body;
  if (!ReadExactly(socket, body, length, clock, timeoutMs)) return std::nullopt;
  return body;
}

std::optional<QRect> WindowInPicture(const FocusedWindow& focused, const QSize& pictureSize) {
  if (focused.desktop.isEmpty() || pictureSize.isEmpty()) return std::nullopt;
  const double sx = double(pictureSize.width()) / focused.desktop.width();
  const double sy = double(pictureSize.height()) / focused.desktop.height();
  const QRect& w = focused.window;
  const int left = static_cast<int>(std::lround((w.x() - focused.desktop.x()) * sx));
  const int top = static_cast<int>(std::lround((w.y() - focused.desktop.y()) * sy));
  const int right = static_cast<int>(std::lround((w.x() + w.width() - focused.desktop.x()) * sx));
  const int bottom = static_cast<int>(std::lround((w.y() + w.height() - focused.desktop.y()) * sy));
  const QRect inPicture = QRect(QPoint(left, top), QPoint(right - 1, bottom - 1))
                              .intersected(QRect(QPoint(0, 0), pictureSize));
  if (inPicture.isEmpty()) return std::nullopt;
  return inPicture;
}

}  // namespace velmor::platform::sway

// A second copy's request reaching the running copy over the local socket: what is sent arrives
// whole, what no copy of the program would send is refused, and nobody listening is told apart
// from a request taken.
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <future>
#include <thread>

#include "platform/InstanceHandOff.h"

using velmor::platform::HandOffServer;
using velmor::platform::HandOverToRunningCopy;
using velmor::platform::LaunchRequest;

namespace {

// The second copy's side runs on a thread of its own, as a process of its own would, while
// this thread's event loop serves the running copy's side.
bool HandOverWhileServing(const QString& key, const LaunchRequest& request) {
  std::packaged_task<bool()> task([&] { return HandOverToRunningCopy(key, request, 5000); });
  std::future<bool> done = task.get_future();
  std::thread client(std::move(task));
  while (done.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  client.join();
  return done.get();
}

// Sends raw bytes as a misbehaving client would and returns what came back.
QByteArray SendRaw(const QString& path, const QByteArray& bytes) {
  std::packaged_task<QByteArray()> task([&] {
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(3000)) return QByteArray("no connection");
    socket.write(bytes);
    socket.waitForBytesWritten(3000);
    QByteArray answer;
    while (socket.waitForReadyRead(1000)) answer += socket.readAll();
    return answer;
  });
  std::future<QByteArray> done = task.get_future();
  std::thread client(std::move(task));
  while (done.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  client.join();
  return done.get();
}

}  // namespace

class InstanceHandOffTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir temp_;
  int keys_ = 0;
  QString NewKey() { return QStringLiteral("/opt/velmor-test-%1/velmor").arg(++keys_); }

 private slots:
  void initTestCase() {
    // The socket lives beside the lock, in the temporary folder: keep it to this test.
    qputenv("TMPDIR", QFile::encodeName(temp_.path()));
  }

  void whatNoCopyWouldSendIsRefused_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("not JSON") << QByteArray("open /etc/passwd\n");
    QTest::newRow("empty object") << QByteArray("{}\n");
    QTest::newRow("relative file") << QByteArray("{\"file\":\"a.jpg\"}\n");
    QTest::newRow("unknown capture") << QByteArray("{\"capture\":\"all\"}\n");
    QTest::newRow("negative delay") << QByteArray("{\"capture\":\"rect\",\"delay\":-1}\n");
    QTest::newRow("delay alone") << QByteArray("{\"delay\":1}\n");
    QTest::newRow("delay 0 alone") << QByteArray("{\"delay\":0}\n");
    QTest::newRow("unknown key") << QByteArray("{\"capture\":\"rect\",\"run\":\"rm\"}\n");
    QTest::newRow("file not text") << QByteArray("{\"file\":7}\n");
  }
  void whatNoCopyWouldSendIsRefused() {
    QFETCH(QByteArray, line);
    QVERIFY(!LaunchRequest::Decode(line).has_value());
  }

  void aRequestReachesTheRunningCopy() {
    const QString key = NewKey();
    HandOffServer server(key);
    QVERIFY(server.Listen());
    QSignalSpy spy(&server, &HandOffServer::Requested);
    const LaunchRequest request{QStringLiteral("/home/ユーザー/地図 \"1\"\n.png"), QString(), 0};
    QVERIFY(HandOverWhileServing(key, request));
    QTRY_COMPARE(spy.count(), 1);
    QVERIFY(spy.at(0).at(0).value<LaunchRequest>() == request);

    // Another after it, on the same server.
    const LaunchRequest capture{QString(), QStringLiteral("screen"), 1.5};
    QVERIFY(HandOverWhileServing(key, capture));
    QTRY_COMPARE(spy.count(), 2);
    QVERIFY(spy.at(1).at(0).value<LaunchRequest>() == capture);

    // --delay 0 is told apart from no --delay: it leaves the toolbar's delay out.
    const LaunchRequest atOnce{QString(), QStringLiteral("rect"), 0, true};
    QVERIFY(HandOverWhileServing(key, atOnce));
    QTRY_COMPARE(spy.count(), 3);
    QVERIFY(spy.at(2).at(0).value<LaunchRequest>() == atOnce);
  }

  void nobodyListeningIsNoHandOver() {
    const QString key = NewKey();
    const LaunchRequest request{QString(), QStringLiteral("rect"), 0};
    QVERIFY(!HandOverWhileServing(key, request));
    {
      HandOffServer server(key);
      QVERIFY(server.Listen());
    }
    // The copy that listened has ended: its socket went with it.
    QVERIFY(!QFile::exists(velmor::platform::HandOffSocketPath(key)));
    QVERIFY(!HandOverWhileServing(key, request));
  }

  // A socket that a crashed copy left behind does not keep the next copy from listening.
  void aLeftOverSocketIsReplaced() {
    const QString key = NewKey();
    const QString path = velmor::platform::HandOffSocketPath(key);
    QFile stale(path);
    QVERIFY(stale.open(QIODevice::WriteOnly));
    stale.close();
    HandOffServer server(key);
    QVERIFY(server.Listen());
    QSignalSpy spy(&server, &HandOffServer::Requested);
    QVERIFY(HandOverWhileServing(key, {QString(), QStringLiteral("rect"), 0}));
    QTRY_COMPARE(spy.count(), 1);
  }

  void aBadRequestGetsNoAnswerAndIsNotCarriedOut() {
    const QString key = NewKey();
    HandOffServer server(key);
    QVERIFY(server.Listen());
    QSignalSpy spy(&server, &HandOffServer::Requested);
    QCOMPARE(SendRaw(server.SocketPath(), "{\"capture\":\"everything\"}\n"), QByteArray());
    QCOMPARE(SendRaw(server.SocketPath(), QByteArray(70 * 1024, 'x')), QByteArray());
    QCOMPARE(spy.count(), 0);
    // The server still serves the next copy.
    QVERIFY(HandOverWhileServing(key, {QString(), QStringLiteral("rect"), 0}));
    QTRY_COMPARE(spy.count(), 1);
  }
};

QTEST_GUILESS_MAIN(InstanceHandOffTest)
#include "InstanceHandOffTest.moc"

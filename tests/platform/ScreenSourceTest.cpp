#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include "capture/ScreenPattern.h"
#include "platform/PortalScreenSource.h"
#include "platform/PortalScreenshot.h"
#include "platform/ScreenSource.h"
#include "platform/SwayIpc.h"
#include "platform/WindowSystem.h"

using namespace velmor::platform;

namespace {

// A get_tree answer: a tiled window of this process, a floating one of another with the focus.
QByteArray Tree(const char* focusedType, bool floatingFocused, qint64 floatingPid) {
  return QStringLiteral(R"({"type":"root","rect":{"x":0,"y":0,"width":1280,"height":800},
    "nodes":[{"type":"output","name":"HEADLESS-1","rect":{"x":0,"y":0,"width":1280,"height":800},
      "nodes":[{"type":"workspace","name":"1","focused":%1,
        "rect":{"x":0,"y":0,"width":1280,"height":800},
        "nodes":[{"type":"con","name":"Velmor","pid":%2,"focused":false,
                  "rect":{"x":0,"y":25,"width":1280,"height":775}}],
        "floating_nodes":[{"type":"%3","name":"other","pid":%4,"focused":%5,
                  "rect":{"x":640,"y":300,"width":164,"height":147}}]}]}]})")
      .arg(floatingFocused ? "false" : "true")
      .arg(QCoreApplication::applicationPid())
      .arg(QLatin1String(focusedType))
      .arg(floatingPid)
      .arg(floatingFocused ? "true" : "false")
      .toUtf8();
}

QString WritePng(const QString& path, const QImage& picture) {
  picture.save(path, "PNG");
  return QUrl::fromLocalFile(path).toString();
}

}  // namespace

class ScreenSourceTest : public QObject {
  Q_OBJECT

 private slots:
  void portalRequestPathAndResponse() {
    QCOMPARE(portal::RequestPath(QStringLiteral(":1.42"), QStringLiteral("velmor3")),
             QStringLiteral("/org/freedesktop/portal/desktop/request/1_42/velmor3"));
    QCOMPARE(portal::RequestPath(QStringLiteral(":1.2.7"), QStringLiteral("t")),
             QStringLiteral("/org/freedesktop/portal/desktop/request/1_2_7/t"));

    const QVariantMap withUri{{QStringLiteral("uri"), QStringLiteral("file:///tmp/out.png")}};
    const portal::Response ok = portal::ReadResponse(0, withUri);
    QCOMPARE(ok.outcome, portal::Outcome::Picture);
    QCOMPARE(ok.uri, QStringLiteral("file:///tmp/out.png"));
    QCOMPARE(portal::ReadResponse(1, withUri).outcome, portal::Outcome::Refused);
    QCOMPARE(portal::ReadResponse(2, withUri).outcome, portal::Outcome::Failed);
    // A success without a picture is no success.
    QCOMPARE(portal::ReadResponse(0, {}).outcome, portal::Outcome::Failed);
  }

  void portalFileIsReadAndRemovedOnlyFromTemporaryFolders() {
    QTemporaryDir temporary, pictures;
    const QImage picture = velmor::test::PatternImage({40, 30});

    const QString leftover = temporary.filePath(QStringLiteral("out.png"));
    const QImage read = portal::TakePictureFile(WritePng(leftover, picture), {temporary.path()});
    QCOMPARE(read, picture);
    QCOMPARE(read.format(), QImage::Format_RGB32);
    QVERIFY(!QFile::exists(leftover));

    // GNOME writes into the user's pictures folder: that file is the user's.
    const QString kept = pictures.filePath(QStringLiteral("Screenshot.png"));
    QCOMPARE(portal::TakePictureFile(WritePng(kept, picture), {temporary.path()}), picture);
    QVERIFY(QFile::exists(kept));

    // A folder whose name only begins like the temporary one is not inside it.
    QVERIFY(QDir().mkpath(temporary.path() + QStringLiteral("-not")));
    const QString beside = temporary.path() + QStringLiteral("-not/out.png");
    QCOMPARE(portal::TakePictureFile(WritePng(beside, picture), {temporary.path()}), picture);
    QVERIFY(QFile::exists(beside));
    QFile::remove(beside);
    QDir().rmdir(temporary.path() + QStringLiteral("-not"));
  }

  void brokenOrForeignPortalFilesGiveNoPicture() {
    QTemporaryDir temporary;
    const QString broken = temporary.filePath(QStringLiteral("out.png"));
    QFile file(broken);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("\x89PNG\r\n\x1a\n but then nothing");
    file.close();
    QVERIFY(portal::TakePictureFile(QUrl::fromLocalFile(broken).toString(), {temporary.path()})
                .isNull());
    QVERIFY(!QFile::exists(broken));  // removed all the same
    QVERIFY(
        portal::TakePictureFile(temporary.filePath(QStringLiteral("missing.png")), {}).isNull());
    QVERIFY(portal::TakePictureFile(QStringLiteral("https://example.org/out.png"), {}).isNull());
    QVERIFY(portal::TakePictureFile(QString(), {}).isNull());

    // Beyond the limits the picture is not decoded.
    const QString big = temporary.filePath(QStringLiteral("big.png"));
    PictureLimits limits;
    limits.maxPixels = 100;
    QVERIFY(portal::TakePictureFile(WritePng(big, velmor::test::PatternImage({20, 20})), {}, limits)
                .isNull());
  }

  // The test runs without a session bus: the portal answers nothing, quickly, and every grab
  // through it is null rather than an empty picture.
  void withoutABusThePortalGivesNothing() {
    QCOMPARE(portal::TakeScreenshot(false, 2000).outcome, portal::Outcome::NoPortal);
    PortalScreenSource source;
    QVERIFY(source.GrabScreen().isNull());
    QVERIFY(source.GrabScreenRect(QRect(0, 0, 10, 10)).isNull());
    QVERIFY(!source.PointerPosition().has_value());
  }

  void swayTreeGivesTheFocusedWindow() {
    const qint64 other = QCoreApplication::applicationPid() + 1;
    const auto focused = sway::FocusedWindowIn(Tree("floating_con", true, other), 0);
    QVERIFY(focused.has_value());
    QCOMPARE(focused->window, QRect(640, 300, 164, 147));
    QCOMPARE(focused->desktop, QRect(0, 0, 1280, 800));

    // The focus on an empty workspace, on one of our own windows, or a tree that is not one.
    QVERIFY(!sway::FocusedWindowIn(Tree("floating_con", false, other), 0));
    QVERIFY(!sway::FocusedWindowIn(Tree("floating_con", true, other), other));
    QVERIFY(!sway::FocusedWindowIn(Tree("workspace", true, other), 0));
    QVERIFY(!sway::FocusedWindowIn("{\"type\":\"root\"", 0));
    QVERIFY(!sway::FocusedWindowIn("[]", 0));
  }

  void swayWindowInAPictureOfScaledPixels() {
    const sway::FocusedWindow focused{QRect(0, 0, 1280, 800), QRect(640, 300, 164, 147)};
    QCOMPARE(sway::WindowInPicture(focused, {1280, 800}), QRect(640, 300, 164, 147));
    QCOMPARE(sway::WindowInPicture(focused, {2560, 1600}), QRect(1280, 600, 328, 294));
    // A window partly off the layout is cut to the picture; one wholly off it is none.
    const sway::FocusedWindow edge{QRect(0, 0, 1280, 800), QRect(1200, 700, 200, 200)};
    QCOMPARE(sway::WindowInPicture(edge, {1280, 800}), QRect(1200, 700, 80, 100));
    const sway::FocusedWindow off{QRect(0, 0, 1280, 800), QRect(1300, 10, 20, 20)};
    QVERIFY(!sway::WindowInPicture(off, {1280, 800}));
    QVERIFY(!sway::WindowInPicture(focused, {}));
  }

  void sourceAndWindowSystemFollowTheSession() {
    QCOMPARE(MakeScreenSource(QStringLiteral("wayland"))->Name(), QStringLiteral("portal"));
    QCOMPARE(MakeScreenSource(QStringLiteral("wayland-egl"))->Name(), QStringLiteral("portal"));
    QCOMPARE(MakeScreenSource(QStringLiteral("xcb"))->Name(), QStringLiteral("x11"));
    QCOMPARE(MakeScreenSource(QStringLiteral("offscreen"))->Name(), QStringLiteral("x11"));

    QCOMPARE(WindowSystemFor("", "wayland", ""), QByteArray("wayland;xcb"));
    QCOMPARE(WindowSystemFor("", "", "wayland-0"), QByteArray("wayland;xcb"));
    QCOMPARE(WindowSystemFor("", "x11", ""), QByteArray());
    // The user's own choice stands.
    QCOMPARE(WindowSystemFor("xcb", "wayland", "wayland-0"), QByteArray());

    QVERIFY(DesktopOffersWindowPick(QStringLiteral("GNOME")));
    QVERIFY(DesktopOffersWindowPick(QStringLiteral("ubuntu:GNOME")));
    QVERIFY(!DesktopOffersWindowPick(QStringLiteral("KDE")));
    QVERIFY(!DesktopOffersWindowPick(QStringLiteral("sway")));
    QVERIFY(!DesktopOffersWindowPick(QStringLiteral("Hyprland")));
    QVERIFY(!DesktopOffersWindowPick(QString()));
  }

  void installedSourceIsTheOneInForce() {
    NullScreenSource none;
    SetScreenSource(&none);
    QCOMPARE(Screen().Name(), QStringLiteral("null"));
    QVERIFY(Screen().GrabScreen().isNull());
    SetScreenSource(nullptr);
    QCOMPARE(Screen().Name(), QStringLiteral("x11"));  // offscreen reads through Qt's screens
  }
};

QTEST_MAIN(ScreenSourceTest)
#include "ScreenSourceTest.moc"

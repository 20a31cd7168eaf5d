// A large canvas painted only where the viewport shows it: marks drawn beyond the view, a save
// of the whole canvas and the screen itself must show what a whole refresh would.
#include <sys/resource.h>

#include <QFile>
#include <QImageReader>

#include "app/CanvasDriving.h"

using namespace velmor;
using namespace velmor::test;

namespace {

class OnDemandCanvasTest : public FormTest {
  Q_OBJECT

  // A picture with figures all over it, shown at `zoom` on a canvas painted on demand.
  void Prepare(int zoom) {
    form().settings.Set(slot::kFontName, std::string("IPAGothic"));
    LoadPicture(form(), PatternPicture(500, 400));
    for (int k = 0; k < 12; ++k)
      DrawSegment(form(), QPoint(20 + 37 * k, 15 + 29 * k), QPoint(480 - 31 * k, 390 - 17 * k));
    ChooseTool(form(), tool::kCircle);
    Click(form(), QPoint(400, 300));
    ZoomTo(form(), zoom);
    QVERIFY(form().Picture2->PaintsOnDemand());
  }

 private slots:
  void init() {
    CanvasWidget::SetOnDemandPixels(1 << 20);
    QVERIFY(StartForm());
  }
  void cleanup() {
    EndForm();
    CanvasWidget::SetOnDemandPixels(int64_t{16} << 20);
  }

  void marksBeyondTheViewLandOnPaintedParts() {
    Prepare(400);
    QImage expected = WholeRefresh(form());
    // An exclusive-or mark across the whole canvas, as a rubber band or a pick mark is drawn.
    auto mark = [](platform::GdiCanvas& canvas) {
      canvas.SetDrawMode(platform::kXorPen);
      canvas.SetDrawWidth(3);
      canvas.SetForeColor(0x00FFFF);
      canvas.Line(10, 1500, 1990, 20);
      canvas.SetDrawMode(platform::kCopyPen);
      canvas.SetDrawWidth(1);
    };
    platform::GdiCanvas aside(&expected);
    aside.CopyStateFrom(form().Canvas());
    mark(aside);
    mark(form().Canvas());
    QCOMPARE(form().Picture2->Surface(), expected);
  }

  void scrollingShowsWhatAWholeRefreshPaints() {
    Prepare(300);
    form().HScroll1->setValue(form().HScroll1->maximum());
    form().VScroll1->setValue(form().VScroll1->maximum() / 2);
    QVERIFY(QTest::qWaitForWindowExposed(&form()));
    const QImage expected = WholeRefresh(form());
    const QRect shown = form().Picture2->ShownRect();
    QVERIFY(!shown.isEmpty());
    QCOMPARE(form().Picture2->grab().toImage().convertToFormat(QImage::Format_RGB32).copy(shown),
             expected.copy(shown));
    QCOMPARE(form().Picture2->Surface(), expected);
  }

  // Where the system will not map the address space that every on-demand canvas shares, the
  // canvas maps only the rows it needs and still shows what a whole refresh paints.
  void canvasWithoutRoomForTheSharedLayout() {
#if defined(__SANITIZE_ADDRESS__)
    QSKIP("the address sanitizer needs an unbounded address space");
#endif
    QFile status(QStringLiteral("/proc/self/status"));
    QVERIFY(status.open(QIODevice::ReadOnly));
    rlim_t used = 0;
    for (const QByteArray& line : status.readAll().split('\n'))
      if (line.startsWith("VmSize:"))
        used = rlim_t(line.mid(7).trimmed().split(' ')[0].toULongLong()) * 1024;
    QVERIFY(used > 0);
    rlimit saved{};
    getrlimit(RLIMIT_AS, &saved);
    rlimit tight = saved;
    tight.rlim_cur = used + (rlim_t{1} << 30);
    QCOMPARE(setrlimit(RLIMIT_AS, &tight), 0);
    Prepare(300);
    const QImage expected = WholeRefresh(form());
    const QImage surface = form().Picture2->Surface().copy();
    setrlimit(RLIMIT_AS, &saved);
    QCOMPARE(surface, expected);
  }

  void saveWritesTheWholeCanvas() {
    Prepare(300);
    const QImage expected = WholeRefresh(form());
    const QString path = f_->folder.filePath(QStringLiteral("whole.png"));
    modal_->dialogAnswers.push_back([path](platform::CommonDialog& d) {
      d.FileName = path;
      return true;
    });
    form().SaveImage();
    QCOMPARE(QImage(path).convertToFormat(QImage::Format_RGB32), expected);
  }
};

}  // namespace

QTEST_MAIN(OnDemandCanvasTest)
#include "OnDemandCanvasTest.moc"

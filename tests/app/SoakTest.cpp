// A long editing session of random user actions through the main window's widgets, with the
// window's invariants checked after every step. VELMOR_SOAK_SEED and VELMOR_SOAK_STEPS replay or
// lengthen a run; a failure names the seed and the step.
#include <QAction>
#include <QDataStream>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTemporaryDir>
#include <array>
#include <cmath>
#include <random>

#include "app/CanvasDriving.h"
#include "core/model/ControlIndexes.h"
#include "core/model/ZoomLimits.h"
#include "platform/Clipboard.h"
#include "support/FakeModal.h"
#include "support/FormFixture.h"

using namespace velmor;
using namespace velmor::test;

namespace {

constexpr uint32_t kDefaultSeed = 20261207;
constexpr int kDefaultSteps = 3000;
// Keeps each refresh cheap on a shared machine: past this the session zooms out instead.
constexpr qint64 kCanvasPixelBudget = 2'000'000;

uint32_t EnvNumber(const char* name, uint32_t fallback) {
  bool ok = false;
  const uint32_t value = qEnvironmentVariable(name).toUInt(&ok);
  return ok ? value : fallback;
}

enum class Act {
  kPickTool,
  kSegment,
  kRectangle,
  kCircle,
  kText,
  kMove,
  kDelete,
  kTrimBoth,
  kTrimOne,
  kExtend,
  kParallel,
  kZoomIn,
  kZoomOut,
  kZoomActual,
  kZoomFrame,
  kScroll,
  kPan,
  kUndo,
  kRedo,
  kPaste,
  kCut,
  kCopy,
  kSave,
  kArrowToggle,
  kPenWidth,
  kFillStyle,
  kLineStyle,
  kZoomStep,
  kColours,
  kEllipseRatio,
  kCaptionToggle,
  kMosaic,
  kMarker,
  kHighlight,
};

struct Weighted {
  Act act;
  int weight;
};

// Drawing is weighted so that a default run fills the table and goes on past it.
constexpr std::array kActions{
    Weighted{Act::kPickTool, 3},  Weighted{Act::kSegment, 20},     Weighted{Act::kRectangle, 6},
    Weighted{Act::kCircle, 6},    Weighted{Act::kText, 5},         Weighted{Act::kMove, 5},
    Weighted{Act::kDelete, 4},    Weighted{Act::kTrimBoth, 5},     Weighted{Act::kTrimOne, 5},
    Weighted{Act::kExtend, 5},    Weighted{Act::kParallel, 6},     Weighted{Act::kZoomIn, 4},
    Weighted{Act::kZoomOut, 4},   Weighted{Act::kZoomActual, 2},   Weighted{Act::kZoomFrame, 2},
    Weighted{Act::kScroll, 4},    Weighted{Act::kPan, 4},          Weighted{Act::kUndo, 5},
    Weighted{Act::kPaste, 1},     Weighted{Act::kCut, 1},          Weighted{Act::kCopy, 1},
    Weighted{Act::kSave, 1},      Weighted{Act::kArrowToggle, 2},  Weighted{Act::kPenWidth, 2},
    Weighted{Act::kFillStyle, 2}, Weighted{Act::kLineStyle, 2},    Weighted{Act::kZoomStep, 2},
    Weighted{Act::kColours, 1},   Weighted{Act::kEllipseRatio, 1}, Weighted{Act::kCaptionToggle, 1},
    Weighted{Act::kRedo, 2},      Weighted{Act::kMosaic, 4},       Weighted{Act::kMarker, 4},
    Weighted{Act::kHighlight, 5},
};

// The tools that draw over the picture as it stands; their result must be what a refresh paints.
bool DrawsMarkup(Act act) {
  return act == Act::kMosaic || act == Act::kMarker || act == Act::kHighlight;
}

// Steps that leave the surface alone (or, if they change it, refresh it).
bool KeepsSurfaceFresh(Act act) {
  switch (act) {
    case Act::kPickTool:
    case Act::kCopy:
    case Act::kSave:
    case Act::kArrowToggle:
    case Act::kPenWidth:
    case Act::kFillStyle:
    case Act::kLineStyle:
    case Act::kZoomStep:
    case Act::kColours:
    case Act::kEllipseRatio:
    case Act::kCaptionToggle:
      return true;
    default:
      return false;
  }
}

// Edits that save the undo record before they change a row.
bool RecordsUndo(Act act) {
  return act == Act::kMove || act == Act::kDelete || act == Act::kTrimBoth ||
         act == Act::kTrimOne || act == Act::kExtend;
}

// Steps whose work ends in a refresh of the view (when they do anything at all).
bool EndsInRefresh(Act act) {
  switch (act) {
    case Act::kMove:
    case Act::kDelete:
    case Act::kTrimBoth:
    case Act::kTrimOne:
    case Act::kExtend:
    case Act::kParallel:
    case Act::kZoomIn:
    case Act::kZoomOut:
    case Act::kZoomActual:
    case Act::kZoomFrame:
    case Act::kScroll:
    case Act::kPan:
    case Act::kUndo:
    case Act::kRedo:
    case Act::kPaste:
      return true;
    default:
      return false;
  }
}

bool HoldsNumber(const TaggedValue& v) {
  return std::holds_alternative<int16_t>(v) || std::holds_alternative<int32_t>(v) ||
         std::holds_alternative<float>(v) || std::holds_alternative<double>(v);
}

using Row = std::array<TaggedValue, fig::kColumns>;

}  // namespace

class SoakTest : public FormTest {
  Q_OBJECT

  QTemporaryDir saves_;
  std::mt19937 rng_;
  uint32_t seed_ = kDefaultSeed;
  bool onDemand_ = false;
  const int64_t defaultOnDemandPixels_ = CanvasWidget::OnDemandPixels();
  int step_ = 0;
  int saved_ = 0;
  int tableFilledAt_ = -1;
  int undoRecords_ = 0;
  int refreshesCompared_ = 0;
  int noOpRefreshSteps_ = 0;
  int markupCompared_ = 0;
  // Whether the surface is what a fresh refresh would paint, as far as the checks know.
  bool surfaceFresh_ = true;

  int Uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
  bool Chance(int percent) { return Uniform(1, 100) <= percent; }
  template <typename T, size_t N>
  const T& PickOne(const std::array<T, N>& items) {
    return items[size_t(Uniform(0, int(N) - 1))];
  }

  QString Where() const {
    return QStringLiteral("seed %1 step %2 (replay: VELMOR_SOAK_SEED=%1 VELMOR_SOAK_STEPS=%3)")
        .arg(seed_)
        .arg(step_)
        .arg(step_ + 1);
  }

  Act NextAction() {
    int total = 0;
    for (const Weighted& w : kActions) total += w.weight;
    int roll = Uniform(0, total - 1);
    for (const Weighted& w : kActions) {
      if (roll < w.weight) return w.act;
      roll -= w.weight;
    }
    return Act::kSegment;
  }

  // A point on the part of the canvas the viewport shows, sometimes a little past its edge as a
  // held button lets the pointer go.
  QPoint VisiblePoint() {
    const int left = form().HScroll1->isVisible() ? form().HScroll1->value() : 0;
    const int top = form().VScroll1->isVisible() ? form().VScroll1->value() : 0;
    const int w = std::min(form().Picture2->width() - left, form().Picture1->width());
    const int h = std::min(form().Picture2->height() - top, form().Picture1->height());
    const int slack = Chance(10) ? 20 : 0;
    return {left + Uniform(-slack, std::max(w - 1, 0) + slack),
            top + Uniform(-slack, std::max(h - 1, 0) + slack)};
  }

  // A point near a stored segment, as a user aims at one.
  QPoint NearSegmentPoint() {
    const FigureTable& t = form().figures;
    for (int tries = 0; tries < 8 && t.FigureCount > 0; ++tries) {
      const int row = Uniform(1, t.FigureCount);
      if (t.Kind(row) != fig::kSegment) continue;
      const double k = Uniform(0, 100) / 100.0;
      const double zoom = form().view.ZoomPercent / 100.0;
      const double x =
          (t.Num(row, fig::kX1) + k * (t.Num(row, fig::kX2) - t.Num(row, fig::kX1))) * zoom;
      const double y =
          (t.Num(row, fig::kY1) + k * (t.Num(row, fig::kY2) - t.Num(row, fig::kY1))) * zoom;
      if (std::abs(x) < 30000 && std::abs(y) < 30000) return {int(x) + Uniform(-3, 3), int(y)};
    }
    return VisiblePoint();
  }

  // A point near the first point of any stored figure (a marker's centre, a mosaic's corner).
  QPoint NearFigurePoint() {
    const FigureTable& t = form().figures;
    if (t.FigureCount == 0) return VisiblePoint();
    const int row = Uniform(1, t.FigureCount);
    const double zoom = form().view.ZoomPercent / 100.0;
    const double x = t.Num(row, fig::kX1) * zoom, y = t.Num(row, fig::kY1) * zoom;
    if (std::abs(x) >= 30000 || std::abs(y) >= 30000) return VisiblePoint();
    return {int(x) + Uniform(-3, 3), int(y) + Uniform(-3, 3)};
  }

  QPoint AimedPoint() {
    const int roll = Uniform(1, 100);
    return roll <= 50 ? NearSegmentPoint() : roll <= 80 ? NearFigurePoint() : VisiblePoint();
  }

  void DragWith(int mode, Qt::KeyboardModifiers keys = Qt::NoModifier) {
    ChooseTool(form(), mode);
    const QPoint from = VisiblePoint();
    const QPoint to = Chance(5) ? from : VisiblePoint();
    QPoint mid = (from + to) / 2;
    Drag(form(), from, {mid, to}, Qt::LeftButton, keys);
  }

  void ClickWith(int mode, QPoint at) {
    ChooseTool(form(), mode);
    Click(form(), at);
  }

  qint64 CanvasPixels(int zoom) {
    return qint64(ScaledExtent(zoom, form().view.ImageWidth)) *
           ScaledExtent(zoom, form().view.ImageHeight);
  }

  QImage NewPicture() { return PatternPicture(Uniform(20, 500), Uniform(20, 400)); }

  void SetZoomStep(int step) { form().Text1->setText(QString::number(step)); }

  void Perform(Act act) {
    Form1& w = form();
    switch (act) {
      case Act::kPickTool:
        ChooseTool(w, PickOne(std::array{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}));
        break;
      case Act::kSegment:
        DragWith(1);
        break;
      case Act::kRectangle:
        DragWith(2);
        break;
      case Act::kCircle:
        DragWith(3);
        break;
      case Act::kText:
        w.Text3->setText(PickOne(std::array{QStringLiteral("abc"), QStringLiteral("寸法"),
                                            QStringLiteral("ｶﾀｶﾅ 12"), QString()}));
        DragWith(4);
        break;
      case Act::kMove: {
        ChooseTool(w, tool::kMove);
        const QPoint from = AimedPoint();
        Drag(w, from, {from + QPoint(Uniform(-60, 60), Uniform(-60, 60))});
        break;
      }
      case Act::kDelete:
        ClickWith(tool::kDelete, AimedPoint());
        break;
      case Act::kMosaic:
        DragWith(tool::kMosaic);
        break;
      case Act::kMarker:
        ClickWith(tool::kMarker, VisiblePoint());
        break;
      case Act::kHighlight:
        DragWith(tool::kHighlight, Chance(30) ? Qt::ShiftModifier : Qt::NoModifier);
        break;
      case Act::kTrimBoth:
      case Act::kTrimOne:
      case Act::kExtend: {
        const int mode = act == Act::kTrimBoth ? 10 : act == Act::kTrimOne ? 11 : 12;
        // Two picks make one edit; a pick left over from a step before is finished too.
        ClickWith(mode, NearSegmentPoint());
        if (Chance(85))
          ClickWith(mode, mode == 12 && Chance(50) ? VisiblePoint() : NearSegmentPoint());
        break;
      }
      case Act::kParallel:
        w.Text6->setText(PickOne(std::array{
            QStringLiteral("5"), QStringLiteral("20"), QStringLiteral("-15"), QStringLiteral("0.5"),
            QStringLiteral("120"), QStringLiteral("0"), QStringLiteral(""), QStringLiteral("abc"),
            QStringLiteral("1e6"), QStringLiteral("1e300")}));
        ClickWith(tool::kParallel, NearSegmentPoint());
        break;
      case Act::kZoomIn: {
        SetZoomStep(Uniform(1, 100));
        if (CanvasPixels(w.view.ZoomPercent + w.panel.ZoomStep) > kCanvasPixelBudget)
          w.Toolbar1Buttons.at(toolbar::kZoomOut)->trigger();
        else
          w.Toolbar1Buttons.at(toolbar::kZoomIn)->trigger();
        break;
      }
      case Act::kZoomOut:
        SetZoomStep(Uniform(1, 100));
        w.Toolbar1Buttons.at(toolbar::kZoomOut)->trigger();
        break;
      case Act::kZoomActual:
        w.Toolbar1Buttons.at(toolbar::kZoomActual)->trigger();
        break;
      case Act::kZoomFrame: {
        w.Toolbar1Buttons.at(toolbar::kZoomFrame)->trigger();
        const QPoint from = VisiblePoint();
        QPoint to = from + QPoint(Uniform(-400, 400), Uniform(-300, 300));
        // A frame small enough to blow the canvas past the budget becomes a larger one.
        if (std::abs(to.x() - from.x()) < 150 || std::abs(to.y() - from.y()) < 100 ||
            CanvasPixels(w.view.ZoomPercent * 4) > kCanvasPixelBudget)
          to = from + QPoint(Chance(50) ? 2000 : -2000, Chance(50) ? 1500 : -1500);
        Drag(w, from, {(from + to) / 2, to});
        break;
      }
      case Act::kScroll:
        if (Chance(50))
          w.HScroll1->setValue(Uniform(w.HScroll1->minimum(), w.HScroll1->maximum()));
        else
          w.VScroll1->setValue(Uniform(w.VScroll1->minimum(), w.VScroll1->maximum()));
        break;
      case Act::kPan: {
        const QPoint from = VisiblePoint();
        const QPoint to = from + QPoint(Uniform(-300, 300), Uniform(-300, 300));
        Drag(w, from, {(from + to) / 2, to}, Qt::RightButton);
        break;
      }
      case Act::kUndo:
        if (w.UNDB->isEnabled()) w.UNDB->click();
        break;
      case Act::kRedo:
        if (w.RDOB->isEnabled()) w.RDOB->click();
        break;
      case Act::kPaste: {
        // A fresh picture, or whatever the last cut or copy left there.
        if (Chance(60) || !platform::clipboard::HasBitmap())
          platform::clipboard::PutPicture(NewPicture());
        const QImage next = platform::clipboard::GetPicture();
        if (CanvasPixels(100) <= kCanvasPixelBudget &&
            qint64(next.width()) * next.height() <= kCanvasPixelBudget)
          w.Toolbar1Buttons.at(toolbar::kPaste)->trigger();
        break;
      }
      case Act::kCut: {
        w.Toolbar1Buttons.at(toolbar::kCut)->trigger();
        const QPoint from = VisiblePoint();
        Drag(w, from, {VisiblePoint()});
        break;
      }
      case Act::kCopy:
        w.Toolbar1Buttons.at(toolbar::kCopy)->trigger();
        break;
      case Act::kSave: {
        const QString path = saves_.filePath(QStringLiteral("soak%1.jpg").arg(saved_++ % 3));
        modal_->dialogAnswers.push_back([path](platform::CommonDialog& d) {
          d.FileName = path;
          return true;
        });
        w.Toolbar1Buttons.at(toolbar::kSave)->trigger();
        break;
      }
      case Act::kArrowToggle:
        w.Command2->click();
        break;
      case Act::kPenWidth:
        w.Text4->setText(Chance(10) ? QStringLiteral("x") : QString::number(Uniform(1, 10)));
        break;
      case Act::kFillStyle:
        w.Combo3->setCurrentIndex(Uniform(0, w.Combo3->count() - 1));
        break;
      case Act::kLineStyle:
        w.Combo1->setCurrentIndex(Uniform(0, w.Combo1->count() - 1));
        break;
      case Act::kZoomStep:
        SetZoomStep(Uniform(-5, 120));
        break;
      case Act::kColours:
        w.Text2->SetBackColor(PackedRgb(Uniform(0, 255), Uniform(0, 255), Uniform(0, 255)));
        w.Text5->SetBackColor(PackedRgb(Uniform(0, 255), Uniform(0, 255), Uniform(0, 255)));
        break;
      case Act::kEllipseRatio:
        w.Combo2->setCurrentIndex(Uniform(0, w.Combo2->count() - 1));
        break;
      case Act::kCaptionToggle:
        w.settings.Set(slot::kSegmentCaption, int16_t(Chance(50) ? 1 : 0));
        break;
    }
  }

  // ---- the checks after each step ----

  void CheckCanvasSize() {
    const Form1& w = form();
    QVERIFY2(w.Picture2->HasPicture(), qPrintable(Where()));
    const int zoom = w.view.ZoomPercent;
    const QSize picture = w.Picture2->Picture().size();
    // A side that rounds to nothing still keeps one pixel.
    const QSize expected(std::max(ScaledExtent(zoom, picture.width()), 1),
                         std::max(ScaledExtent(zoom, picture.height()), 1));
    QVERIFY2(w.Picture2->size() == expected && w.Picture2->Surface().size() == expected,
             qPrintable(Where() + QStringLiteral(": zoom %1, picture %2x%3, canvas %4x%5")
                                      .arg(zoom)
                                      .arg(picture.width())
                                      .arg(picture.height())
                                      .arg(w.Picture2->width())
                                      .arg(w.Picture2->height())));
  }

  void CheckTable(Act act, const Row& undoBefore, int countBefore) {
    const FigureTable& t = form().figures;
    QVERIFY2(t.FigureCount >= 0 && t.FigureCount <= fig::kMaxFigures,
             qPrintable(Where() + QStringLiteral(": FigureCount %1").arg(t.FigureCount)));
    // Only undo gives rows back, and at most one edit's: a segment with its caption.
    const int mayGiveBack = act == Act::kUndo ? 2 : 0;
    QVERIFY2(t.FigureCount >= countBefore - mayGiveBack,
             qPrintable(Where() + QStringLiteral(": rows lost")));
    if (!RecordsUndo(act))
      QVERIFY2(t.cells[fig::kUndoRow] == undoBefore,
               qPrintable(Where() + QStringLiteral(": the undo row changed without an edit")));
    for (int row = 1; row <= t.FigureCount; ++row) {
      for (int col = fig::kX1; col <= fig::kY2; ++col) {
        if (t.Kind(row) == fig::kText && col == fig::kX2) continue;  // the text itself
        const TaggedValue& v = t.At(row, col);
        if (!HoldsNumber(v)) continue;
        QVERIFY2(
            std::isfinite(NumberOr0(v)),
            qPrintable(
                Where() +
                QStringLiteral(": row %1 column %2 is %3").arg(row).arg(col).arg(NumberOr0(v))));
      }
    }
    // Nothing is written past the last figure.
    if (t.FigureCount < fig::kMaxFigures)
      for (int col = 0; col < fig::kColumns; ++col)
        QVERIFY2(IsEmpty(t.At(t.FigureCount + 1, col)),
                 qPrintable(Where() + QStringLiteral(": a row past FigureCount was written")));
  }

  // After a step that ends in a refresh, the surface is what a fresh refresh paints. A step that
  // turned out to do nothing (a refused zoom, undo with no record) may leave a surface that was
  // not refreshed before it; that is fine as long as the step did not touch it.
  void CheckSurface(Act act, const QImage& before, const QByteArray& stateBefore, int countBefore) {
    Form1& w = form();
    const bool wasFresh = surfaceFresh_;
    surfaceFresh_ = wasFresh && KeepsSurfaceFresh(act);
    // A new mosaic, marker or highlighter drawn over a fresh surface is what the next refresh
    // paints (unless the full table refused it, which leaves it until that refresh).
    if (DrawsMarkup(act)) {
      if (!wasFresh || w.figures.FigureCount == countBefore) return;
      const QImage drawn = w.Picture2->Surface().copy();
      w.RefreshView();
      if (drawn != w.Picture2->Surface()) {
        drawn.save(saves_.filePath(QStringLiteral("drawn.png")));
        w.Picture2->Surface().save(saves_.filePath(QStringLiteral("fresh.png")));
        saves_.setAutoRemove(false);
        QFAIL(qPrintable(
            Where() +
            QStringLiteral(": the new figure differs from its refresh (%1)").arg(saves_.path())));
      }
      ++markupCompared_;
      surfaceFresh_ = true;
      return;
    }
    if (!EndsInRefresh(act)) return;
    // A pick still waiting for its partner (or for a distance) is marked, not refreshed.
    if (act >= Act::kTrimBoth && act <= Act::kParallel && w.drag.Picks[0][0] != 0) return;
    const QImage after = w.Picture2->Surface().copy();
    const QImage whole = onDemand_ ? WholeRefresh(form()) : QImage();
    w.RefreshView();
    const QImage fresh = w.Picture2->Surface().copy();
    if (onDemand_ && fresh != whole) {
      fresh.save(saves_.filePath(QStringLiteral("fresh.png")));
      whole.save(saves_.filePath(QStringLiteral("whole.png")));
      saves_.setAutoRemove(false);
      QFAIL(qPrintable(Where() + QStringLiteral(": the canvas painted on demand differs from a "
                                                "whole refresh (%1)")
                                     .arg(saves_.path())));
    }
    const bool equal = after == fresh;
    const bool untouched = after == before && State() == stateBefore;
    ++(equal ? refreshesCompared_ : noOpRefreshSteps_);
    surfaceFresh_ = true;  // whatever it was, the comparison's refresh made it so
    if (!equal && !untouched) {
      after.save(saves_.filePath(QStringLiteral("after.png")));
      fresh.save(saves_.filePath(QStringLiteral("fresh.png")));
      saves_.setAutoRemove(false);
      QRect changed;
      int count = 0;
      QString sample;
      if (after.size() == fresh.size())
        for (int y = 0; y < after.height(); ++y)
          for (int x = 0; x < after.width(); ++x)
            if (after.pixel(x, y) != fresh.pixel(x, y)) {
              changed |= QRect(x, y, 1, 1);
              if (count++ < 3)
                sample += QStringLiteral(" (%1,%2) %3 vs %4")
                              .arg(x)
                              .arg(y)
                              .arg(after.pixel(x, y), 0, 16)
                              .arg(fresh.pixel(x, y), 0, 16);
            }
      QFAIL(qPrintable(Where() + QStringLiteral(": the surface differs from a fresh refresh in %1 "
                                                "pixels within %2,%3 %4x%5:%6 (%7)")
                                     .arg(count)
                                     .arg(changed.x())
                                     .arg(changed.y())
                                     .arg(changed.width())
                                     .arg(changed.height())
                                     .arg(sample)
                                     .arg(saves_.path())));
    }
  }

  // What a refresh paints from, apart from the surface itself.
  QByteArray State() {
    Form1& w = form();
    QByteArray s;
    QDataStream out(&s, QIODevice::WriteOnly);
    out << w.view.ZoomPercent << w.Picture2->pos() << w.Picture2->size() << w.figures.FigureCount
        << w.HScroll1->value() << w.VScroll1->value();
    for (int row = 1; row <= w.figures.FigureCount; ++row)
      for (int col = 0; col < fig::kColumns; ++col)
        out << QString::fromStdString(w.figures.Text(row, col));
    return s;
  }

 private slots:
  void initTestCase() {
    seed_ = EnvNumber("VELMOR_SOAK_SEED", kDefaultSeed);
    rng_.seed(seed_);
    QVERIFY(saves_.isValid());
  }

  void init() {
    // The second session paints every canvas on demand, in tiles, and checks each refresh
    // against the whole one.
    onDemand_ = QByteArray(QTest::currentTestFunction()) == "onDemandCanvasMatchesWholeRefreshes";
    CanvasWidget::SetOnDemandPixels(onDemand_ ? 0 : defaultOnDemandPixels_);
    QVERIFY(StartForm());
    form().settings.Set(slot::kFontName, std::string("IPAGothic"));
    form().settings.Set(slot::kFontSize, 10.0);
    LoadPicture(form(), PatternPicture(400, 300));
  }
  void cleanup() {
    EndForm();
    CanvasWidget::SetOnDemandPixels(defaultOnDemandPixels_);
  }

  // The figure rows and the count; row 1001 belongs to the one-step record and is checked apart.
  static bool SameFigures(const FigureTable& a, const FigureTable& b) {
    if (a.FigureCount != b.FigureCount) return false;
    for (int row = 1; row <= fig::kMaxFigures; ++row)
      if (a.cells[row] != b.cells[row]) return false;
    return true;
  }

  // Undoing every edit of the session gives the table it began with; redoing them all gives the
  // edited one back.
  void CheckUndoAllRedoAll(const FigureTable& initial) {
    Form1& w = form();
    const FigureTable edited = w.figures;
    const size_t edits = w.history.UndoCount();
    // A session that ended in undo presses left edits to redo beyond the table it ended with.
    const size_t redoneBeyond = w.history.RedoCount();
    size_t presses = 0;
    while (w.UNDB->isEnabled() && presses <= edits) {
      w.UNDB->click();
      ++presses;
    }
    QCOMPARE(presses, edits);
    QVERIFY2(SameFigures(w.figures, initial), "undoing every edit did not restore the table");
    QCOMPARE(w.figures.cells[fig::kUndoRow], edited.cells[fig::kUndoRow]);
    QCOMPARE(w.Picture2->Surface().size(), w.Picture2->size());
    presses = 0;
    while (w.RDOB->isEnabled() && presses < edits + (redoneBeyond == 0 ? 1 : 0)) {
      w.RDOB->click();
      ++presses;
    }
    QCOMPARE(presses, edits);
    QCOMPARE(w.RDOB->isEnabled(), redoneBeyond > 0);
    QVERIFY2(SameFigures(w.figures, edited), "redoing every edit did not return to the table");
    QCOMPARE(w.Status(status::kFigureCount), QString::number(edited.FigureCount));
  }

  void randomSessionKeepsTheWindowConsistent() {
    RunSession(int(EnvNumber("VELMOR_SOAK_STEPS", kDefaultSteps)));
  }

  void onDemandCanvasMatchesWholeRefreshes() {
    RunSession(int(EnvNumber("VELMOR_SOAK_STEPS", kDefaultSteps)) / 3);
  }

 private:
  void RunSession(int steps) {
    saved_ = undoRecords_ = refreshesCompared_ = noOpRefreshSteps_ = markupCompared_ = 0;
    tableFilledAt_ = -1;
    // Deep enough for the whole session, so that undo can go back to its start.
    form().history.SetDepth(size_t(steps) + 1);
    const FigureTable initial = form().figures;
    qInfo("soak: seed %u, %d steps", seed_, steps);
    QElapsedTimer timer;
    timer.start();
    const bool trace = qEnvironmentVariableIsSet("VELMOR_SOAK_TRACE");
    for (step_ = 0; step_ < steps; ++step_) {
      const Act act = NextAction();
      const Row undoBefore = form().figures.cells[fig::kUndoRow];
      const int countBefore = form().figures.FigureCount;
      const QImage surfaceBefore = form().Picture2->Surface().copy();
      const QByteArray stateBefore = State();

      if (trace) qInfo("soak: step %d action %d", step_, int(act));
      Perform(act);

      CheckCanvasSize();
      if (QTest::currentTestFailed()) return;
      CheckTable(act, undoBefore, countBefore);
      if (QTest::currentTestFailed()) return;
      CheckSurface(act, surfaceBefore, stateBefore, countBefore);
      if (QTest::currentTestFailed()) return;
      if (form().figures.FigureCount == fig::kMaxFigures && tableFilledAt_ < 0)
        tableFilledAt_ = step_;
      if (form().figures.cells[fig::kUndoRow] != undoBefore) ++undoRecords_;
    }
    const size_t edits = form().history.UndoCount();
    CheckUndoAllRedoAll(initial);
    if (QTest::currentTestFailed()) return;
    qInfo(
        "soak: %d steps in %lld ms; %d figures (table full from step %d); %d undo records; "
        "%d refreshes compared, %d no-op; %d new markup figures compared; %zu messages; %d saves; "
        "%zu edits undone and redone",
        steps, timer.elapsed(), form().figures.FigureCount, tableFilledAt_, undoRecords_,
        refreshesCompared_, noOpRefreshSteps_, markupCompared_, modal_->messages.size(), saved_,
        edits);
  }
};

QTEST_MAIN(SoakTest)
#include "SoakTest.moc"

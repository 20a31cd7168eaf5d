// The canvas's mouse handlers: rubber bands while the left button is held, then drawing and
// storing a figure or editing the nearest one on release; the right button drags the view.
#include <QComboBox>
#include <QLineEdit>
#include <QScrollBar>
#include <QToolButton>

#include "app/ColorSwatch.h"
#include "app/Form1.h"
#include "core/base/NumberRules.h"
#include "core/edit/FigureStore.h"
#include "core/model/ControlIndexes.h"
#include "raster/GdiCanvas.h"
#include "render/FigureRenderer.h"
#include "view/CanvasWidget.h"

namespace velmor {

namespace {

constexpr int kLeftButton = 1, kRightButton = 2;
constexpr int kShiftKey = 1;  // of the handlers' shift bits
// Pointer shapes (MousePointer codes): PointerForTool's 0 leaves the pointer as it is.
constexpr int kArrowPointer = 1, kCrossPointer = 2, kSizeAllPointer = 15;
// Shown where a picked segment lies: the inverse of this pen, RGB(127, 255, 255).
constexpr uint32_t kPickMarkPen = 128;

void SetPointer(CanvasWidget* canvas, int pointer) {
  switch (pointer) {
    case kArrowPointer:
      canvas->setCursor(Qt::ArrowCursor);
      break;
    case kCrossPointer:
      canvas->setCursor(Qt::CrossCursor);
      break;
    case kSizeAllPointer:
      canvas->setCursor(Qt::SizeAllCursor);
      break;
    default:
      break;
  }
}

int PointerForTool(int16_t toolMode) {
  if (toolMode >= tool::kSegment && toolMode <= tool::kHighlight) return kCrossPointer;
  if (toolMode == tool::kMove) return kSizeAllPointer;
  if (toolMode >= tool::kDelete && toolMode <= tool::kParallel) return kArrowPointer;
  return 0;
}

enum class Band { kNone, kLine, kBox, kCircle };

// What the left button drags out: a frame for zoom and cut, else the shape of the tool (for text
// the writing direction, for move the displacement, for the highlighter its stroke or, with
// Shift, its box).
Band BandFor(const PanelState& panel, const DragState& drag) {
  if (panel.FrameDragMode != framedrag::kNone) return Band::kBox;
  switch (panel.ToolMode) {
    case tool::kSegment:
    case tool::kText:
    case tool::kMove:
      return Band::kLine;
    case tool::kRectangle:
    case tool::kMosaic:
      return Band::kBox;
    case tool::kHighlight:
      return drag.ShiftHeld ? Band::kBox : Band::kLine;
    case tool::kCircle:
      return Band::kCircle;
    default:
      return Band::kNone;
  }
}

float EllipseRatio(const Form1& form) {
  return static_cast<float>(LeadingNumber(form.EllipseRatioText().toStdString()));
}

// Exclusive-or, dotted, one pixel, in the window's background colour. Set again before every
// band drawn: anything drawn in between may have left another pen on the canvas.
void ApplyRubberBandPen(Form1& form) {
  platform::GdiCanvas& canvas = form.Canvas();
  canvas.SetDrawMode(platform::kXorPen);
  canvas.SetDrawStyle(platform::kDot);
  canvas.SetDrawWidth(1);
  canvas.SetForeColor(RgbFromColor(form.palette().color(QPalette::Window)));
  canvas.SetFillStyle(platform::kFillNone);
}

void DrawBand(Form1& form, Band band) {
  if (band == Band::kNone) return;
  ApplyRubberBandPen(form);
  platform::GdiCanvas& canvas = form.Canvas();
  const DragState& d = form.drag;
  switch (band) {
    case Band::kLine:
      canvas.Line(d.StartX, d.StartY, d.EndX, d.EndY);
      break;
    case Band::kBox:
      canvas.Box(d.StartX, d.StartY, d.EndX, d.EndY);
      break;
    case Band::kCircle:
      canvas.Circle(d.StartX, d.StartY, d.CircleRadius, EllipseRatio(form));
      break;
    case Band::kNone:
      break;
  }
  form.Picture2->SurfaceChanged();
}

QString PositionText(float x, float y) {
  return QStringLiteral(" X=%1 Y=%2")
      .arg(QString::fromStdString(FormatNumber(x)), QString::fromStdString(FormatNumber(y)));
}

// The figure tools 1 to 7 make on release, from the drag and the tool panel, as a refresh will
// draw its row.
FigureToDraw NewFigure(Form1& form) {
  const PanelState& panel = form.panel;
  const DragState& d = form.drag;
  FigureToDraw f;
  f.Kind = panel.ToolMode;
  f.X1 = d.StartX;
  f.Y1 = d.StartY;
  f.X2 = d.EndX;
  f.Y2 = d.EndY;
  f.Pen.LineStyle = static_cast<int16_t>(form.LineStyleIndex());
  f.Pen.LineWidth = panel.PenWidth;
  f.Pen.LineColor = panel.PenColor;
  f.Pen.FillColor = panel.BrushColor;
  f.Pen.FillStyle = static_cast<int16_t>(form.FillStyleIndex());
  f.Arrow = panel.ArrowOn == 1;
  f.Radius = d.CircleRadius;
  f.EllipseRatio = EllipseRatio(form);
  const Settings& settings = form.settings;
  f.Text.TextFont = settings.Text(slot::kFontName);
  f.Text.TextSize = ScaledFontSize(settings.Number(slot::kFontSize), form.view.ZoomPercent);
  f.Text.TextBold = settings.Flag(slot::kFontBold);
  f.Text.TextItalic = settings.Flag(slot::kFontItalic);
  f.Text.TextString = form.Text3->text().toStdString();

  const int16_t zoom = form.view.ZoomPercent;
  const double toStored = 100.0 / zoom, toDisplay = zoom / 100.0;
  switch (panel.ToolMode) {
    case tool::kMosaic:
      f.Mosaic = {d.StartX * toStored, d.StartY * toStored, d.EndX * toStored, d.EndY * toStored,
                  MosaicBlockFor(panel.PenWidth)};
      if (form.Picture2->HasPicture()) f.Picture = &form.Picture2->Picture();
      break;
    case tool::kMarker: {
      const double points = MarkerPoints(settings.Get(slot::kFontSize));
      f.Radius = static_cast<float>(MarkerRadius(form.Canvas(), points) * toDisplay);
      f.Text.TextSize = ScaledFontSize(points, zoom);
      f.Text.TextString = FormatInteger(NextMarkerNumber(form.figures));
      break;
    }
    case tool::kHighlight:
      f.Thickness = static_cast<float>(HighlightThicknessFor(panel.PenWidth) * toDisplay);
      f.Box = d.ShiftHeld;
      break;
    default:
      break;
  }
  return f;
}

// Tools 1 to 7 on release: the figure drawn as a refresh will draw it, then stored.
void DrawAndStoreFigure(Form1& form) {
  platform::GdiCanvas& canvas = form.Canvas();
  PanelState& panel = form.panel;
  DragState& d = form.drag;
  WorkArea& work = form.work;
  const int16_t zoom = form.view.ZoomPercent;

  if (panel.ToolMode == tool::kCircle && form.settings.Number(slot::kFixedCircle) == 1)
    d.CircleRadius = static_cast<float>(form.settings.Number(slot::kCircleRadius) * zoom / 100);
  FigureToDraw f = NewFigure(form);
  if (panel.ToolMode == tool::kText && f.Text.TextString.empty()) {
    // Nothing to write: the canvas is left with the pen a figure would have had.
    f.Kind = 0;
    DrawFigure(canvas, f, zoom, form.settings, work, d, form.text);
    canvas.SetFillStyle(platform::kFillNone);
    form.Picture2->SurfaceChanged();
    return;
  }
  if (panel.ToolMode == tool::kText) {
    work.WorkX = double(d.EndX) - double(d.StartX);
    work.WorkY = double(d.StartY) - double(d.EndY);
    // A plain click writes horizontally, a drag along the drag.
    work.WorkAngle =
        work.WorkX == 0 && work.WorkY == 0 ? 0 : DirectionAngle(work.WorkX, work.WorkY) * 180 / kPi;
    // The text's box takes the panel's fill style as the refresh takes the row's.
    panel.BrushColor = f.Pen.FillColor;
    panel.BrushStyle = f.Pen.FillStyle;
  }
  f.Angle = work.WorkAngle;
  DrawFigure(canvas, f, zoom, form.settings, work, d, form.text);

  // A caption belongs to a stored segment; the table being full has been said once.
  if (form.AddFigure() && panel.ToolMode == tool::kSegment &&
      form.settings.Number(slot::kSegmentCaption) == 1) {
    const CaptionSource source{form.Text3->text().toStdString(), form.BackColor(),
                               static_cast<int16_t>(form.FillStyleIndex())};
    AddSegmentCaption(canvas, zoom, form.settings, work, d, panel, form.text, source,
                      [&form] { form.AddFigure(); });
  }
  canvas.SetFillStyle(platform::kFillNone);
  form.Picture2->SurfaceChanged();
}

// Tools 10 to 12: the first click picks a segment, the next one picks the second segment (or,
// in tool 12, gives the target point) and runs the edit.
void PickForTrim(Form1& form) {
  form.FindNearestFigure();
  DragState& d = form.drag;
  if (d.PickedFigure == 0) return;
  if (d.Picks[0][0] != 0) {
    if (form.panel.ToolMode != tool::kExtend) {
      d.Picks[1][0] = d.PickedFigure;
      d.PickStep = 2;
      form.MarkPickedSegment();
    }
    form.TrimOrExtend();
    return;
  }
  d.Picks[0][0] = d.PickedFigure;
  d.PickStep = 1;
  form.MarkPickedSegment();
}

}  // namespace

void Form1::Picture2_MouseDown(int button, int shift, float x, float y) {
  if (button == 0) return;  // a button the canvas has no use for
  // A press while a band is shown (a second button) must not strand it on the picture.
  if (rubberBandShown_) DrawBand(*this, BandFor(panel, drag));
  rubberBandShown_ = false;
  drag.ShiftHeld = (shift & kShiftKey) != 0;
  ApplyRubberBandPen(*this);
  drag.StartX = drag.EndX = x;
  drag.StartY = drag.EndY = y;
  drag.CircleRadius = 0;
  if (button == kRightButton || panel.ToolMode == tool::kMove)
    SetPointer(Picture2, kSizeAllPointer);
}

void Form1::Picture2_MouseMove(int button, int shift, float x, float y) {
  SetStatus(status::kPosition, PositionText(x, y));
  Canvas().SetFillStyle(platform::kFillNone);
  if (button == kRightButton) {
    drag.EndX = x;
    drag.EndY = y;
    return;
  }
  SetPointer(Picture2, PointerForTool(panel.ToolMode));
  if (button != kLeftButton) return;
  if (panel.FrameDragMode != framedrag::kNone) SetPointer(Picture2, kCrossPointer);

  // The band shown goes in the shape it was drawn in, the new one takes Shift as it is now.
  if (rubberBandShown_) DrawBand(*this, BandFor(panel, drag));
  rubberBandShown_ = false;
  drag.ShiftHeld = (shift & kShiftKey) != 0;
  const Band band = BandFor(panel, drag);
  if (band == Band::kNone) return;
  if (band == Band::kCircle) {
    drag.CircleRadius = static_cast<float>(VectorLength(x - drag.StartX, y - drag.StartY));
  } else {
    drag.EndX = x;
    drag.EndY = y;
  }
  DrawBand(*this, band);
  rubberBandShown_ = true;
  if (band != Band::kCircle) {
    drag.DrawX1 = drag.StartX;
    drag.DrawY1 = drag.StartY;
    drag.DrawX2 = drag.EndX;
    drag.DrawY2 = drag.EndY;
  }
}

void Form1::Picture2_MouseUp(int button, int shift, float, float) {
  if (button == 0) return;
  // Whatever the release changes in the figures (a segment with its caption, say) is one edit.
  const EditBracket edit(*this);
  // Whatever the release does, the band goes first (moving does not erase it otherwise).
  if (rubberBandShown_) DrawBand(*this, BandFor(panel, drag));
  rubberBandShown_ = false;
  drag.ShiftHeld = (shift & kShiftKey) != 0;

  if (button == kRightButton) {
    view.FrameLeft =
        ToInt32(double(drag.StartX) - double(drag.EndX) + HScroll1->value()).value_or(0);
    view.FrameTop =
        ToInt32(double(drag.StartY) - double(drag.EndY) + VScroll1->value()).value_or(0);
    ApplyScrollPosition();
    RefreshView();
    return;
  }
  if (panel.FrameDragMode != framedrag::kNone) {
    if (panel.FrameDragMode == framedrag::kZoom)
      ZoomToFrame();
    else if (panel.FrameDragMode == framedrag::kCut)
      CutFrame();
    return;
  }

  panel.PenColor = FrontColor();
  panel.BrushColor = BackColor();
  switch (panel.ToolMode) {
    case tool::kSegment:
    case tool::kRectangle:
    case tool::kCircle:
    case tool::kText:
    case tool::kMosaic:
    case tool::kMarker:
    case tool::kHighlight:
      DrawAndStoreFigure(*this);
      break;
    case tool::kMove:
      if (MoveNearestFigure(figures, panel.ToolMode, view.ZoomPercent, drag, undo)) {
        UNDB->setEnabled(undo.UndoAvailable);
        RefreshView();
      }
      break;
    case tool::kDelete:
      DeleteNearestFigure();
      break;
    case tool::kTrimBoth:
    case tool::kTrimOne:
    case tool::kExtend:
      PickForTrim(*this);
      break;
    case tool::kParallel:
      FindNearestFigure();
      if (drag.PickedFigure != 0) {
        drag.PickStep = 1;
        drag.Picks[0][0] = drag.PickedFigure;
        OffsetParallel();
      }
      break;
    default:
      break;
  }
}

void Form1::MarkPickedSegment() {
  const int row = drag.PickedFigure;
  if (row < 1 || row > fig::kMaxFigures) return;
  platform::GdiCanvas& canvas = Canvas();
  canvas.SetDrawMode(platform::kNotCopyPen);
  canvas.SetForeColor(kPickMarkPen);
  RecordPickMarker(figures, view.ZoomPercent, drag);
  canvas.SetDrawStyle(SaturatedInt16(figures.Num(row, fig::kLineStyle)));
  canvas.SetDrawWidth(SaturatedInt16(figures.Num(row, fig::kLineWidth)));
  canvas.Line(drag.DrawX1, drag.DrawY1, drag.DrawX2, drag.DrawY2);
  Picture2->SurfaceChanged();
}

}  // namespace velmor

// The refresh of a canvas painted on demand: the part the viewport shows is painted now with
// the window's own canvas and state, exactly as a whole refresh would paint it; any other part
// is painted when it is shown, drawn on or read, from a copy of what this refresh drew from.
#include <memory>

#include "app/Form1.h"
#include "raster/GdiCanvas.h"
#include "render/FigureBands.h"
#include "render/FigureRenderer.h"
#include "view/CanvasWidget.h"
#include "view/StretchCopy.h"

namespace velmor {

namespace {
struct RefreshSource {
  QImage picture;
  double sourceWidth = 0, sourceHeight = 0;
  int16_t zoom = 100;
  FigureTable figures;
  Settings settings;
  WorkArea work;
  DragState drag;
  PanelState panel;
  TextState text;
  platform::GdiCanvas pen;  // the drawing state the refresh started from
};
}  // namespace

void Form1::RefreshShownPart() {
  auto source = std::make_shared<RefreshSource>();
  source->picture = Picture2->Picture();
  source->sourceWidth = Picture2->ScaleWidth() * 100.0 / view.ZoomPercent;
  source->sourceHeight = Picture2->ScaleHeight() * 100.0 / view.ZoomPercent;
  source->zoom = view.ZoomPercent;
  source->figures = figures;
  source->settings = settings;
  source->work = work, source->drag = drag, source->panel = panel, source->text = text;
  source->pen.CopyStateFrom(Canvas());
  if (!partCanvas_) partCanvas_ = std::make_shared<platform::GdiCanvas>();
  auto paintPart = [source, canvas = partCanvas_](QImage& surface, const QRect& part) {
    const StretchPlan picture(source->picture, source->sourceWidth, source->sourceHeight, surface);
    BandedRefresh how;
    how.background = [&picture](const QRect& band) { picture.Paint(band); };
    canvas->Bind(&surface);
    canvas->CopyStateFrom(source->pen);
    canvas->SetClip(&surface, part);
    // Each part starts from the state the refresh started from, as the whole refresh did.
    WorkArea work = source->work;
    DragState drag = source->drag;
    PanelState panel = source->panel;
    TextState text = source->text;
    RedrawFiguresInBands(*canvas, source->figures, source->zoom, source->settings, work, drag,
                         panel, text, &source->picture, how);
    canvas->SetClip(&surface, QRect());
    canvas->Bind(nullptr);
  };

  const QRect now = Picture2->BeginRepaint(std::move(paintPart));
  if (now.isEmpty()) return;
  QImage& surface = Picture2->DrawingSurface();
  const StretchPlan picture(Picture2->Picture(), source->sourceWidth, source->sourceHeight,
                            surface);
  BandedRefresh how;
  how.background = [&picture](const QRect& band) { picture.Paint(band); };
  platform::GdiCanvas& canvas = Canvas();
  canvas.SetClip(&surface, now);
  paintingShownPart_ = true;
  struct Restore {
    Form1& form;
    platform::GdiCanvas& canvas;
    QImage& surface;
    ~Restore() {
      form.paintingShownPart_ = false;
      canvas.SetClip(&surface, QRect());
    }
  } restore{*this, canvas, surface};
  RedrawFiguresInBands(canvas, figures, view.ZoomPercent, settings, work, drag, panel, text,
                       &Picture2->Picture(), how);
}

}  // namespace velmor

// Driving the main window's canvas as a user does: a picture loaded, a tool chosen, presses,
// moves and releases of real mouse events on Picture2.
#pragma once

#include <QComboBox>
#include <QLineEdit>
#include <QScrollBar>
#include <QStatusBar>
#include <QToolButton>
#include <QtTest>
#include <memory>

#include "app/ColorSwatch.h"
#include "app/Form1.h"
#include "raster/GdiCanvas.h"
#include "render/FigureRenderer.h"
#include "support/FakeModal.h"
#include "support/FormFixture.h"
#include "view/CanvasWidget.h"
#include "view/StretchCopy.h"

namespace velmor::test {

// Packed RGB as the panel and the table hold colours.
constexpr uint32_t PackedRgb(int r, int g, int b) {
  return uint32_t(r) | uint32_t(g) << 8 | uint32_t(b) << 16;
}

inline QImage PlainPicture(int width, int height, QRgb color = qRgb(255, 255, 255)) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(color);
  return image;
}

// A picture whose every pixel tells where it came from.
inline QImage PatternPicture(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      image.setPixel(x, y, qRgb(x % 256, y % 256, (x * 7 + y * 13) % 256));
  return image;
}

// Shows the window with a client area large enough for a 600 x 400 viewport.
inline bool ShowForm(Form1& form) {
  form.show();
  if (!QTest::qWaitForWindowExposed(&form)) return false;
  for (int pass = 0; pass < 2; ++pass) {
    const QSize client(600 + 60 + form.VScroll1->width(),
                       400 + 60 + form.HScroll1->height() + form.Stb1->height());
    form.resize(form.size() + client - form.centralWidget()->size());
    if (!QTest::qWaitFor([&] { return form.centralWidget()->size() == client; })) return false;
  }
  return true;
}

// What opening a picture does to the view.
inline void LoadPicture(Form1& form, const QImage& picture) {
  form.Picture2->SetPicture(picture);
  form.view.ZoomPercent = 100;
  form.Pic_int();
}

inline void ZoomTo(Form1& form, int percent) {
  form.ZoomActualSize();
  if (percent == 100) return;
  form.panel.ZoomStep = static_cast<int16_t>(percent - 100);
  form.ZoomIn();
}

// Chooses a tool through its button on the tool strip.
inline void ChooseTool(Form1& form, int mode) {
  form.Opb.at(mode)->click();
}

// Mouse events sent to the canvas as the window system delivers them; QTest's own helpers
// would take the point (0, 0) for "the centre of the widget".
inline Qt::MouseButtons& HeldButtons() {
  static Qt::MouseButtons held;
  return held;
}

inline void SendMouse(Form1& form, QEvent::Type type, QPoint at, Qt::MouseButton button,
                      Qt::KeyboardModifiers keys = Qt::NoModifier) {
  QWidget* canvas = form.Picture2;
  QMouseEvent event(type, QPointF(at), canvas->mapToGlobal(QPointF(at)), button, HeldButtons(),
                    keys);
  QCoreApplication::sendEvent(canvas, &event);
}

inline void Press(Form1& form, QPoint at, Qt::MouseButton button = Qt::LeftButton,
                  Qt::KeyboardModifiers keys = Qt::NoModifier) {
  HeldButtons() |= button;
  SendMouse(form, QEvent::MouseButtonPress, at, button, keys);
}
inline void MoveTo(Form1& form, QPoint at, Qt::KeyboardModifiers keys = Qt::NoModifier) {
  SendMouse(form, QEvent::MouseMove, at, Qt::NoButton, keys);
}
inline void Release(Form1& form, QPoint at, Qt::MouseButton button = Qt::LeftButton,
                    Qt::KeyboardModifiers keys = Qt::NoModifier) {
  HeldButtons() &= ~Qt::MouseButtons(button);
  SendMouse(form, QEvent::MouseButtonRelease, at, button, keys);
}

// Press, the moves in order, release at the last point, with `keys` held throughout.
inline void Drag(Form1& form, QPoint from, std::initializer_list<QPoint> through,
                 Qt::MouseButton button = Qt::LeftButton,
                 Qt::KeyboardModifiers keys = Qt::NoModifier) {
  Press(form, from, button, keys);
  QPoint last = from;
  for (QPoint p : through) {
    MoveTo(form, p, keys);
    last = p;
  }
  Release(form, last, button, keys);
}

inline void Click(Form1& form, QPoint at) {
  Drag(form, at, {});
}

// A segment drawn with the segment tool at the current zoom (display pixels).
inline void DrawSegment(Form1& form, QPoint from, QPoint to) {
  ChooseTool(form, tool::kSegment);
  Drag(form, from, {to});
}

// The window's refresh as it is when the whole canvas is painted at once, from the same state,
// drawn aside.
inline QImage WholeRefresh(Form1& w) {
  QImage image(w.Picture2->ScaleWidth(), w.Picture2->ScaleHeight(), QImage::Format_RGB32);
  StretchCopy(w.Picture2->Picture(), image.width() * 100.0 / w.view.ZoomPercent,
              image.height() * 100.0 / w.view.ZoomPercent, image);
  platform::GdiCanvas canvas(&image);
  canvas.CopyStateFrom(w.Canvas());
  WorkArea work = w.work;
  DragState drag = w.drag;
  PanelState panel = w.panel;
  TextState text = w.text;
  RedrawFigures(canvas, w.figures, w.view.ZoomPercent, w.settings, work, drag, panel, text,
                &w.Picture2->Picture());
  return image;
}

inline double Cell(const Form1& form, int row, int col) {
  return form.figures.Num(row, col);
}

// The base of a test class that drives a fresh main window per test function, its dialogs and
// message boxes answered by a FakeModal.
class FormTest : public QObject {
 protected:
  std::unique_ptr<FakeModal> modal_;
  std::unique_ptr<FormFixture> f_;
  Form1& form() { return *f_->form; }

  // Builds the window (the fake seam first, so the window never meets a real dialog) and shows
  // it with a 600 x 400 viewport; false when it did not come up.
  bool StartForm() {
    modal_ = std::make_unique<FakeModal>();
    f_ = std::make_unique<FormFixture>();
    return ShowForm(form());
  }
  void EndForm() {
    f_.reset();
    modal_.reset();
  }
};

}  // namespace velmor::test

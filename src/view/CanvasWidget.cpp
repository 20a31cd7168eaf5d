#include "view/CanvasWidget.h"

#include <sys/mman.h>

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "view/ExactPointer.h"

namespace velmor {

namespace {
int ButtonBits(Qt::MouseButtons buttons) {
  int bits = 0;
  if (buttons & Qt::LeftButton) bits |= 1;
  if (buttons & Qt::RightButton) bits |= 2;
  if (buttons & Qt::MiddleButton) bits |= 4;
  return bits;
}
int ShiftBits(Qt::KeyboardModifiers mods) {
  int bits = 0;
  if (mods & Qt::ShiftModifier) bits |= 1;
  if (mods & Qt::ControlModifier) bits |= 2;
  if (mods & Qt::AltModifier) bits |= 4;
  return bits;
}
}  // namespace

CanvasWidget::CanvasWidget(QWidget* parent)
    : QWidget(parent), pointer_(std::make_unique<ExactPointer>(*this)) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  SetCanvasSize(1, 1);
}

void CanvasWidget::SetPicture(const QImage& picture) {
  if (picture.isNull()) {
    picture_ = QImage();
    return;
  }
  picture_ = picture.format() == QImage::Format_RGB32
                 ? picture
                 : picture.convertToFormat(QImage::Format_RGB32);
  SetCanvasSize(picture_.width(), picture_.height());
}

// Surface memory mapped by itself, so that a large one can use huge pages (fewer page faults on
// first touch) and so that a zoom step can reuse it instead of faulting in fresh pages.
struct CanvasWidget::Block {
  void* bits = nullptr;
  size_t bytes = 0;
  explicit Block(size_t size) : bytes(size) {
    bits = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (bits == MAP_FAILED) {
      bits = nullptr;
      return;
    }
#ifdef MADV_HUGEPAGE
    if (size >= (size_t{8} << 20)) ::madvise(bits, size, MADV_HUGEPAGE);
#endif
  }
  ~Block() {
    if (bits) ::munmap(bits, bytes);
  }
  Block(const Block&) = delete;
  Block& operator=(const Block&) = delete;
};

QImage CanvasWidget::MakeSurface(int width, int height, bool keepPixels) {
  const qsizetype pitch = qsizetype(width) * 4;
  const size_t bytes = size_t(pitch) * size_t(height);
  // The old memory serves when no image holds it any more (a copy of the old surface would see
  // it change) and it is not more than twice what is needed (memory comes back when zooming far
  // out). Its pixels are then overwritten in place, so they cannot be carried over.
  const bool reuse = !keepPixels && block_ && block_->bits && bytes <= block_->bytes &&
                     block_->bytes <= 2 * bytes && block_.use_count() == 1;
  std::shared_ptr<Block> block = reuse ? block_ : std::make_shared<Block>(bytes);
  if (!block->bits) return QImage(width, height, QImage::Format_RGB32);
  auto* owner = new std::shared_ptr<Block>(block);
  QImage image(
      static_cast<uchar*>(block->bits), width, height, pitch, QImage::Format_RGB32,
      [](void* info) { delete static_cast<std::shared_ptr<Block>*>(info); }, owner);
  block_ = std::move(block);
  return image;
}

void CanvasWidget::SetCanvasSize(int width, int height) {
  width = std::max(width, 1);
  height = std::max(height, 1);
  if (surface_.width() != width || surface_.height() != height) {
    QImage next = MakeSurface(width, height, true);
    // One pass: each row gets the old pixels it overlaps and the window colour beyond them.
    const QRgb background = palette().color(QPalette::Window).rgb() | 0xFF000000u;
    const QImage old = surface_.format() == QImage::Format_RGB32 || surface_.isNull()
                           ? surface_
                           : surface_.convertToFormat(QImage::Format_RGB32);
    const int keepWidth = old.isNull() ? 0 : std::min(width, old.width());
    const int keepHeight = old.isNull() ? 0 : std::min(height, old.height());
    for (int y = 0; y < height; ++y) {
      auto* row = reinterpret_cast<QRgb*>(next.scanLine(y));
      int from = 0;
      if (y < keepHeight) {
        std::memcpy(row, old.constScanLine(y), size_t(keepWidth) * 4);
        from = keepWidth;
      }
      std::fill(row + from, row + width, background);
    }
    surface_ = std::move(next);
  }
  const double scale = devicePixelRatioF();
  resize(static_cast<int>(std::ceil(width / scale)), static_cast<int>(std::ceil(height / scale)));
  update();
}

QPointF CanvasWidget::SurfacePoint(const QMouseEvent& event) const {
  const double scale = devicePixelRatioF();
  if (scale == 1.0) return event.position();
  return pointer_->LocalPosition(event) * scale;
}

void CanvasWidget::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  pointer_->Attach();
}

void CanvasWidget::ResizeForRepaint(int width, int height) {
  if (!HasPicture()) {
    SetCanvasSize(width, height);
    return;
  }
  width = std::max(width, 1);
  height = std::max(height, 1);
  if (surface_.width() != width || surface_.height() != height) {
    surface_ = QImage();  // so that its memory can serve the new one
    surface_ = MakeSurface(width, height, false);
  }
  const double scale = devicePixelRatioF();
  resize(static_cast<int>(std::ceil(width / scale)), static_cast<int>(std::ceil(height / scale)));
  update();
}

void CanvasWidget::paintEvent(QPaintEvent* event) {
  QPainter p(this);
  p.setCompositionMode(QPainter::CompositionMode_Source);
  const QRect r = event->rect();
  const double scale = devicePixelRatioF();
  if (scale == 1.0) {
    p.drawImage(r.topLeft(), surface_, r);
    return;
  }
  // On a scaled screen each surface pixel still lands on one device pixel.
  p.drawImage(QRectF(r), surface_,
              QRectF(r.x() * scale, r.y() * scale, r.width() * scale, r.height() * scale));
}

void CanvasWidget::mousePressEvent(QMouseEvent* event) {
  const QPointF at = SurfacePoint(*event);
  if (onMouseDown)
    onMouseDown(ButtonBits(event->button()), ShiftBits(event->modifiers()),
                static_cast<float>(at.x()), static_cast<float>(at.y()));
}

void CanvasWidget::mouseMoveEvent(QMouseEvent* event) {
  const QPointF at = SurfacePoint(*event);
  if (onMouseMove)
    onMouseMove(ButtonBits(event->buttons()), ShiftBits(event->modifiers()),
                static_cast<float>(at.x()), static_cast<float>(at.y()));
}

void CanvasWidget::mouseReleaseEvent(QMouseEvent* event) {
  const QPointF at = SurfacePoint(*event);
  if (onMouseUp)
    onMouseUp(ButtonBits(event->button()), ShiftBits(event->modifiers()),
              static_cast<float>(at.x()), static_cast<float>(at.y()));
}

CanvasWidget::~CanvasWidget() = default;

}  // namespace velmor

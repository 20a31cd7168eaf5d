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
  bool onDemand = false;
  // A surface painted on demand keeps to small pages (a huge page would bring in the memory of
  // whole rows for one tile), and only its pages in use take memory.
  Block(size_t size, bool demand) : bytes(size), onDemand(demand) {
    bits = ::mmap(nullptr, size, PROT_READ | PROT_WRITE,
                  MAP_PRIVATE | MAP_ANONYMOUS | (demand ? MAP_NORESERVE : 0), -1, 0);
    if (bits == MAP_FAILED) {
      bits = nullptr;
      return;
    }
#if defined(MADV_HUGEPAGE) && defined(MADV_NOHUGEPAGE)
    if (demand)
      ::madvise(bits, size, MADV_NOHUGEPAGE);
    else if (size >= (size_t{8} << 20))
      ::madvise(bits, size, MADV_HUGEPAGE);
#endif
  }
  ~Block() {
    if (bits) ::munmap(bits, bytes);
  }
  Block(const Block&) = delete;
  Block& operator=(const Block&) = delete;
};

namespace {
// Every on-demand surface lays its rows out alike, as wide as the widest canvas, on one mapping
// as tall as the tallest: a pixel keeps its address from one zoom to the next, so a zoom step
// finds the memory of what the viewport showed already in place.
constexpr int kOnDemandSide = 32768;
constexpr qsizetype kOnDemandPitch = qsizetype(kOnDemandSide) * 4;
}  // namespace

QImage CanvasWidget::MakeSurface(int width, int height, bool keepPixels, bool* reused) {
  const bool onDemand = Large(width, height);
  const qsizetype pitch = onDemand ? kOnDemandPitch : qsizetype(width) * 4;
  const size_t bytes =
      onDemand ? size_t(kOnDemandPitch) * kOnDemandSide : size_t(pitch) * size_t(height);
  // The old memory serves when no image holds it any more (a copy of the old surface would see
  // it change) and, for a surface painted whole, it is not more than twice what is needed
  // (memory comes back when zooming far out). Its pixels are then overwritten in place, so they
  // cannot be carried over.
  const bool free = !keepPixels && block_ && block_->bits && block_.use_count() == 1;
  const size_t needed = size_t(pitch) * size_t(height);
  const bool reuse =
      free && needed <= block_->bytes &&
      (onDemand ? block_->onDemand : !block_->onDemand && block_->bytes <= 2 * bytes);
  if (reused) *reused = reuse;
  std::shared_ptr<Block> block = reuse ? block_ : std::make_shared<Block>(bytes, onDemand);
  // Where the system will not map that much address space, the rows the surface needs do.
  if (!block->bits && onDemand) block = std::make_shared<Block>(needed, true);
  if (!block->bits) {
    if (reused) *reused = false;
    return QImage(width, height, QImage::Format_RGB32);
  }
  auto* owner = new std::shared_ptr<Block>(block);
  QImage image(
      static_cast<uchar*>(block->bits), width, height, pitch, QImage::Format_RGB32,
      [](void* info) { delete static_cast<std::shared_ptr<Block>*>(info); }, owner);
  block_ = std::move(block);
  return image;
}

bool CanvasWidget::Large(int width, int height) {
  return int64_t(width) * height > onDemandPixels_ && width <= kOnDemandSide &&
         height <= kOnDemandSide;
}

void CanvasWidget::SetCanvasSize(int width, int height) {
  width = std::max(width, 1);
  height = std::max(height, 1);
  if (ScaleWidth() != width || ScaleHeight() != height) {
    QImage next = MakeSurface(width, height, true);
    // Each row gets the old pixels it overlaps and the window colour beyond them.
    const QRgb background = palette().color(QPalette::Window).rgb() | 0xFF000000u;
    const QImage& current = surface_.Image();
    const int keepWidth = current.isNull() ? 0 : std::min(width, current.width());
    const int keepHeight = current.isNull() ? 0 : std::min(height, current.height());
    surface_.Ensure(QRect(0, 0, keepWidth, keepHeight));
    const QImage old = current.format() == QImage::Format_RGB32 || current.isNull()
                           ? current
                           : current.convertToFormat(QImage::Format_RGB32);
    auto paint = [old, background, keepWidth, keepHeight](QImage& target, const QRect& part) {
      for (int y = part.top(); y <= part.bottom(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(target.scanLine(y));
        int from = part.left();
        if (y < keepHeight && from < keepWidth) {
          const int to = std::min(keepWidth, part.right() + 1);
          std::memcpy(row + from, reinterpret_cast<const QRgb*>(old.constScanLine(y)) + from,
                      size_t(to - from) * 4);
          from = to;
        }
        std::fill(row + from, row + part.right() + 1, background);
      }
    };
    const bool onDemand = Large(width, height);
    surface_.Reset(std::move(next), onDemand);
    if (onDemand)
      surface_.Repaint(paint, QRect());  // the old pixels stay with the painter until a refresh
    else
      paint(surface_.Image(), surface_.Image().rect());
  }
  const double scale = devicePixelRatioF();
  resize(static_cast<int>(std::ceil(width / scale)), static_cast<int>(std::ceil(height / scale)));
  update();
}

QImage& CanvasWidget::Surface() {
  surface_.EnsureAll();
  return surface_.Image();
}

const QImage& CanvasWidget::Surface() const {
  surface_.EnsureAll();
  return surface_.Image();
}

QRect CanvasWidget::ShownRect() const {
  const QRect all = surface_.Image().rect();
  const QWidget* frame = parentWidget();
  if (frame == nullptr) return all;
  const QRect shown = QRect(mapFromParent(QPoint(0, 0)), frame->size()) & rect();
  if (shown.isEmpty()) return {};
  const double scale = devicePixelRatioF();
  const int left = int(std::floor(shown.left() * scale)),
            top = int(std::floor(shown.top() * scale));
  const int right = int(std::ceil((shown.right() + 1) * scale));
  const int bottom = int(std::ceil((shown.bottom() + 1) * scale));
  return QRect(left, top, right - left, bottom - top) & all;
}

QRect CanvasWidget::KeptRect() const {
  constexpr int dx = OnDemandSurface::kTileWidth * OnDemandSurface::kTilesPerPage;
  constexpr int dy = 2 * OnDemandSurface::kTileHeight;
  const QRect shown = ShownRect();
  return shown.isEmpty() ? shown : shown.adjusted(-dx, -dy, dx, dy);
}

QRect CanvasWidget::BeginRepaint(OnDemandSurface::Painter painter) {
  surface_.Repaint(std::move(painter), KeptRect());
  const QRect now = surface_.TileBounds(ShownRect());
  surface_.Painted(now);
  return now;
}

void CanvasWidget::ReleaseHidden() {
  surface_.Release(KeptRect());
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
  if (ScaleWidth() != width || ScaleHeight() != height) {
    const OnDemandSurface::Residency residency = surface_.TakeResidency();
    surface_.Reset(QImage(), false);  // so that its memory can serve the new one
    bool reused = false;
    QImage next = MakeSurface(width, height, false, &reused);
    surface_.Reset(std::move(next), Large(width, height), reused ? &residency : nullptr);
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
  const QRect all = surface_.Image().rect();
  const QRect from =
      scale == 1.0 ? r & all
                   : QRect(QPoint(int(std::floor(r.x() * scale)), int(std::floor(r.y() * scale))),
                           QPoint(int(std::ceil((r.right() + 1) * scale)) - 1,
                                  int(std::ceil((r.bottom() + 1) * scale)) - 1)) &
                         all;
  if (from.isEmpty()) return;
  surface_.Ensure(from);
  // The painter is handed only the rows shown: offsets into a surface of several gigabytes
  // do not fit its int arithmetic.
  const QImage& image = surface_.Image();
  const QImage shown(
      image.constBits() + qsizetype(from.y()) * image.bytesPerLine() + qsizetype(from.x()) * 4,
      from.width(), from.height(), image.bytesPerLine(), image.format());
  if (scale == 1.0) {
    p.drawImage(from.topLeft(), shown);
    return;
  }
  // On a scaled screen each surface pixel still lands on one device pixel.
  p.drawImage(
      QRectF(from.x() / scale, from.y() / scale, from.width() / scale, from.height() / scale),
      shown);
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

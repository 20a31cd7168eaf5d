#include "render/FigureBands.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <exception>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "render/FigureInk.h"

namespace velmor {

namespace {

using platform::GdiCanvas;

// Below these, waking a worker costs more than it saves.
constexpr int kFewestFigures = 8;
constexpr int64_t kSmallestArea = 256 * 256;

// A thread that draws one band at a time, with a canvas kept from one refresh to the next so
// that its fonts and laid-out texts are ready.
class BandWorker {
 public:
  BandWorker() : thread_([this] { Loop(); }) {}

  GdiCanvas canvas;
  QImage view;  // the caller's pixels, seen through a header of this thread's own

  void Post(std::function<void()> job) {
    {
      const std::lock_guard lock(mutex_);
      job_ = std::move(job);
      posted_ = true;
      done_ = false;
      error_ = nullptr;
    }
    wake_.notify_all();
  }
  // Waits for the posted job; hands on what it threw.
  std::exception_ptr Wait() {
    std::unique_lock lock(mutex_);
    wake_.wait(lock, [this] { return done_; });
    return error_;
  }

 private:
  void Loop() {
    for (;;) {
      std::function<void()> job;
      {
        std::unique_lock lock(mutex_);
        wake_.wait(lock, [this] { return posted_; });
        job = std::move(job_);
        posted_ = false;
      }
      std::exception_ptr error;
      try {
        job();
      } catch (...) {
        error = std::current_exception();
      }
      {
        const std::lock_guard lock(mutex_);
        error_ = error;
        done_ = true;
      }
      wake_.notify_all();
    }
  }

  std::mutex mutex_;
  std::condition_variable wake_;
  std::function<void()> job_;
  bool posted_ = false, done_ = true;
  std::exception_ptr error_;
  std::thread thread_;
};

struct BandWorkers {
  // The drawing state a refresh starts from, and the calling thread's own band canvas.
  GdiCanvas start, callerCanvas;
  QImage callerView;
  // Set by the refresh using the workers; a flag rather than a lock, so that a refresh started
  // from within one (say by a touch handler) draws alone instead of waiting on itself.
  std::atomic<bool> busy{false};
  std::vector<std::unique_ptr<BandWorker>> workers;
  // The figures' ink of the last refresh that kept one.
  FigureInk ink;
  std::atomic<int64_t> fromKeptInk{0};

  // One for each core beside the caller's, up to three. Never destroyed: the threads wait for
  // work until the process ends.
  static BandWorkers& Instance() {
    static BandWorkers* const instance = [] {
      auto* w = new BandWorkers;
      const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
      for (unsigned k = 1; k < std::min(cores, 4u); ++k)
        w->workers.push_back(std::make_unique<BandWorker>());
      return w;
    }();
    return *instance;
  }
};

bool Is32Bit(QImage::Format f) {
  return f == QImage::Format_RGB32 || f == QImage::Format_ARGB32 ||
         f == QImage::Format_ARGB32_Premultiplied;
}

// Rows a band when none are asked for. A figure reaching several bands is set up on each, which
// costs more than a band's falling out of the core's own cache: bands are large, but there is
// at least one for each thread.
int BandRows(const QRect& area, int threads) {
  constexpr int64_t kBandBytes = 1 << 23;
  const int64_t rows = std::max<int64_t>(kBandBytes / (int64_t(std::max(area.width(), 1)) * 4), 32);
  const int64_t shared = (int64_t(area.height()) + threads - 1) / std::max(threads, 1);
  return int(std::clamp<int64_t>(std::min(rows, shared), 1, 1 << 20));
}

// The rows each figure may write, as the touch handler hears of them, and how many figures have
// been gone through so far.
struct Reaches {
  struct Rows {
    int top = std::numeric_limits<int>::max(), bottom = std::numeric_limits<int>::min();
  };
  std::vector<Rows> rows;
  std::atomic<int> known{0};
  std::atomic<bool> failed{false};

  // Waits for the row's reach; false when it will never come.
  bool Await(int row) const {
    while (known.load(std::memory_order_acquire) < row) {
      if (failed.load(std::memory_order_acquire)) return false;
      std::this_thread::yield();
    }
    return true;
  }
};

// What the figures are drawn from, and the state they read and leave.
struct Drawing {
  const FigureTable& figures;
  int count;
  int16_t zoomPercent;
  const Settings& settings;
  const QImage* picture;
  RefreshState state;
};

// The pixels the bands draw on: the surface's own, or a layer of its size.
struct Pixels {
  uchar* bits;
  QSize size;
  qsizetype bytesPerLine;
  QImage::Format format;
};

// Runs `each` on every worker and then on the calling thread, which first runs `first`; waits
// for all of them and hands on the first exception. When `first` throws, `stop` tells the others
// to end before it is handed on.
void Share(BandWorkers& pool, const std::function<void(GdiCanvas&, QImage&)>& each,
           const std::function<void()>& first, const std::function<void()>& stop) {
  struct Waiter {
    std::vector<BandWorker*> posted;
    ~Waiter() {
      for (BandWorker* w : posted) w->Wait();
    }
  } waiter;
  for (const auto& worker : pool.workers) {
    BandWorker& w = *worker;
    w.Post([&w, &each] { each(w.canvas, w.view); });
    waiter.posted.push_back(&w);
  }
  try {
    if (first) first();
  } catch (...) {
    if (stop) stop();
    throw;
  }
  std::exception_ptr error;
  try {
    each(pool.callerCanvas, pool.callerView);
  } catch (...) {
    error = std::current_exception();
  }
  for (BandWorker* w : waiter.posted)
    if (std::exception_ptr e = w->Wait(); e && !error) error = e;
  waiter.posted.clear();
  if (error) std::rethrow_exception(error);
}

// The calling thread's pass over every figure on `canvas`, writing nothing: it leaves the state
// as drawing them would, and tells `reach` of each row's rectangles as it goes (`row` before the
// row is gone through, then count + 1 once all are).
void PassOverFigures(const Drawing& d, QImage* surface, const std::function<void(int)>& row,
                     const std::function<void(int, const QRect&)>& reach) {
  GdiCanvas& canvas = d.state.canvas;
  struct Put {
    GdiCanvas& canvas;
    const QImage* clipSurface;
    QRect clip;
    const QImage* touchSurface;
    GdiCanvas::TouchHandler handler;
    ~Put() {
      canvas.SetClip(clipSurface, clip);
      canvas.SetTouchHandler(touchSurface, std::move(handler));
    }
  } put{canvas, canvas.ClipSurface(), canvas.Clip(), canvas.TouchSurface(),
        canvas.TakeTouchHandler()};
  // A clip off the surface: DrawableRect is empty, so nothing is written.
  canvas.SetClip(surface, QRect(-2, -2, 1, 1));
  int current = 0;
  if (reach) canvas.SetTouchHandler(surface, [&](const QRect& r) { reach(current, r); });
  RedrawFigureRows(canvas, d.figures, d.zoomPercent, d.settings, d.state.work, d.state.drag,
                   d.state.panel, d.state.text, d.picture, [&](int r) {
                     if (row) row(r);
                     current = r;
                     return true;
                   });
  if (row) row(d.count + 1);
}

// The figures drawn on `pixels` band by band, each band after `background`, every band from
// `start`, the state the refresh starts from. The calling thread's pass over
// the figures leaves the state and tells `reach` of what each figure may write.
void DrawInBands(BandWorkers& pool, const Drawing& d, QImage* surface, const Pixels& pixels,
                 const QRect& area, int rowsPerBand,
                 const std::function<void(const QRect&)>& background,
                 const std::function<void(const QRect&)>& reach, const RefreshState& start,
                 platform::InkChains* chains) {
  const int bands = (area.height() + rowsPerBand - 1) / rowsPerBand;
  Reaches reaches;
  reaches.rows.resize(size_t(d.count) + 1);
  std::atomic<int> nextBand{0};
  std::mutex errorGuard;
  std::exception_ptr firstError;

  // Takes bands until none is left.
  auto drawBands = [&](GdiCanvas& own, QImage& view) {
    view = QImage(pixels.bits, pixels.size.width(), pixels.size.height(), pixels.bytesPerLine,
                  pixels.format);
    own.Bind(&view);
    own.SetTouchHandler(nullptr, {});
    own.SetInkChains(chains);
    for (int k; (k = nextBand.fetch_add(1, std::memory_order_relaxed)) < bands;) {
      const int top = area.top() + k * rowsPerBand;
      const QRect band(area.left(), top, area.width(),
                       std::min(rowsPerBand, area.bottom() + 1 - top));
      try {
        if (background) background(band);
        own.CopyStateFrom(start.canvas);
        own.SetClip(&view, band);
        WorkArea w = start.work;
        DragState dr = start.drag;
        PanelState p = start.panel;
        TextState t = start.text;
        RedrawFigureRows(own, d.figures, d.zoomPercent, d.settings, w, dr, p, t, d.picture,
                         [&](int row) {
                           if (!reaches.Await(row)) return false;
                           const Reaches::Rows& r = reaches.rows[size_t(row)];
                           return r.top <= band.bottom() && r.bottom >= band.top();
                         });
      } catch (...) {
        const std::lock_guard lock(errorGuard);
        if (!firstError) firstError = std::current_exception();
      }
    }
    own.SetClip(&view, QRect());
    own.SetInkChains(nullptr);
    own.Bind(nullptr);
  };
  Share(
      pool, drawBands,
      [&] {
        PassOverFigures(
            d, surface, [&](int row) { reaches.known.store(row - 1, std::memory_order_release); },
            [&](int row, const QRect& r) {
              Reaches::Rows& rows = reaches.rows[size_t(row)];
              rows.top = std::min(rows.top, r.top());
              rows.bottom = std::max(rows.bottom, r.bottom());
              if (reach) reach(r);
            });
      },
      [&] {
        reaches.failed.store(true, std::memory_order_release);
        nextBand.store(bands);
      });
  if (firstError) std::rethrow_exception(firstError);
}

// Paints `area` part by part on every thread: the picture under each part, then the kept ink
// over it, while the part is in the cache. The calling thread first runs `first`.
void LayInk(BandWorkers& pool, const FigureInk& ink, QImage* surface, uchar* bits,
            const QRect& area, const std::function<void(const QRect&)>& background,
            const std::function<void()>& first) {
  const int rows = std::clamp(int((int64_t(1) << 18) / (int64_t(std::max(area.width(), 1)) * 4)), 8,
                              std::max(area.height(), 8));
  const int parts = (area.height() + rows - 1) / rows;
  const qsizetype pitch = surface->bytesPerLine();
  std::atomic<int> next{0};
  Share(
      pool,
      [&](GdiCanvas&, QImage&) {
        for (int k; (k = next.fetch_add(1, std::memory_order_relaxed)) < parts;) {
          const int top = area.top() + k * rows;
          const QRect part(area.left(), top, area.width(), std::min(rows, area.bottom() + 1 - top));
          if (background) background(part);
          ink.LayOver(bits, pitch, part);
        }
      },
      first, [&] { next.store(parts); });
}

uint64_t DestinationReads(const BandWorkers& pool) {
  uint64_t reads = pool.callerCanvas.DestinationReads();
  for (const auto& w : pool.workers) reads += w->canvas.DestinationReads();
  return reads;
}

}  // namespace

void RedrawFiguresInBands(GdiCanvas& canvas, const FigureTable& figures, int16_t zoomPercent,
                          const Settings& settings, WorkArea& work, DragState& drag,
                          PanelState& panel, TextState& text, const QImage* picture,
                          const BandedRefresh& how) {
  const QRect area = canvas.DrawableRect();
  auto alone = [&] {
    if (how.background && !area.isEmpty()) how.background(area);
    RedrawFigures(canvas, figures, zoomPercent, settings, work, drag, panel, text, picture);
  };
  QImage* surface = canvas.Surface();
  const int count = std::clamp<int>(figures.FigureCount, 0, fig::kMaxFigures);
  if (surface == nullptr || surface->isNull() || !Is32Bit(surface->format()) ||
      count < kFewestFigures || int64_t(area.width()) * area.height() < kSmallestArea)
    return alone();
  BandWorkers& pool = BandWorkers::Instance();
  const int threads = int(pool.workers.size()) + 1;
  const int rowsPerBand = std::max(1, how.bandRows > 0 ? how.bandRows : BandRows(area, threads));
  if (pool.workers.empty() || pool.busy.exchange(true, std::memory_order_acquire)) return alone();
  struct Release {
    std::atomic<bool>& busy;
    ~Release() { busy.store(false, std::memory_order_release); }
  } release{pool.busy};

  // The pixels are written through other headers from here on: no copy-on-write may move them.
  uchar* const bits = surface->bits();
  const Pixels onSurface{bits, surface->size(), surface->bytesPerLine(), surface->format()};
  canvas.Touch(area.left(), area.top(), area.right(), area.bottom());

  const Drawing d{figures,  count,   zoomPercent,
                  settings, picture, {canvas, work, drag, panel, text}};
  const InkSource source{
      figures,           count, zoomPercent, settings, canvas.TwipsPerPixelX(), surface->size(),
      surface->format(), area,  picture};
  FigureInk& ink = pool.ink;

  // Every band starts from the state the refresh starts from, taken before it changes.
  pool.start.CopyStateFrom(canvas);
  WorkArea work0 = work;
  DragState drag0 = drag;
  PanelState panel0 = panel;
  TextState text0 = text;
  const RefreshState start{pool.start, work0, drag0, panel0, text0};

  // The figures drawn over the picture, band by band, as they are when no ink is kept.
  auto drawn = [&] {
    DrawInBands(pool, d, surface, onSurface, area, rowsPerBand, how.background, {}, start, nullptr);
  };
  if (ink.Holds(source)) {
    pool.fromKeptInk.fetch_add(1, std::memory_order_relaxed);
    const bool sameStart = ink.StartsFrom(d.state);
    LayInk(pool, ink, surface, bits, area, how.background, [&] {
      if (sameStart) {
        ink.LeaveEnd(d.state);
      } else {
        PassOverFigures(d, surface, {}, {});
        ink.KeepStates(start, d.state);
      }
    });
    return;
  }
  if (!FigureInk::Worth(source)) {
    ink.Drop();
    drawn();
    return;
  }
  if (!ink.SameAsLastSeen(source)) {
    ink.Forget();
    drawn();
    return;
  }

  QImage& layer = ink.Start(source);
  if (layer.isNull()) {  // no memory for it
    ink.Drop();
    drawn();
    return;
  }
  const Pixels onLayer{layer.bits(), layer.size(), layer.bytesPerLine(), layer.format()};
  const uint64_t readsBefore = DestinationReads(pool);
  DrawInBands(
      pool, d, surface, onLayer, area, rowsPerBand, [&ink](const QRect& band) { ink.Clear(band); },
      [&ink](const QRect& r) { ink.Reach(r); }, start, ink.Chains());
  if (DestinationReads(pool) != readsBefore || !ink.Finish()) {
    // Some pixel was made from the one under it in a way the layer cannot hold: drawn over the
    // picture as it always was.
    ink.Drop();
    ink.RefuseLastSeen();
    canvas.CopyStateFrom(pool.start);
    work = work0, drag = drag0, panel = panel0, text = text0;
    drawn();
    return;
  }
  ink.KeepStates(start, d.state);
  LayInk(pool, ink, surface, bits, area, how.background, {});
}

int64_t RefreshesFromKeptInk() {
  return BandWorkers::Instance().fromKeptInk.load(std::memory_order_relaxed);
}

}  // namespace velmor

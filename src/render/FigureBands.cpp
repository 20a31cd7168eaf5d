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
  const int bands = (area.height() + rowsPerBand - 1) / rowsPerBand;
  if (pool.workers.empty() || pool.busy.exchange(true, std::memory_order_acquire)) return alone();
  struct Release {
    std::atomic<bool>& busy;
    ~Release() { busy.store(false, std::memory_order_release); }
  } release{pool.busy};

  // The pixels are written through other headers from here on: no copy-on-write may move them.
  uchar* const bits = surface->bits();
  canvas.Touch(area.left(), area.top(), area.right(), area.bottom());

  // Every band starts from the state the refresh starts from, taken before it changes.
  pool.start.CopyStateFrom(canvas);
  const WorkArea work0 = work;
  const DragState drag0 = drag;
  const PanelState panel0 = panel;
  const TextState text0 = text;
  Reaches reaches;
  reaches.rows.resize(size_t(count) + 1);
  std::atomic<int> nextBand{0};
  std::mutex errorGuard;
  std::exception_ptr firstError;

  // Takes bands until none is left.
  auto drawBands = [&](GdiCanvas& own, QImage& view) {
    view = QImage(bits, surface->width(), surface->height(), surface->bytesPerLine(),
                  surface->format());
    own.Bind(&view);
    own.SetTouchHandler(nullptr, {});
    for (int k; (k = nextBand.fetch_add(1, std::memory_order_relaxed)) < bands;) {
      const int top = area.top() + k * rowsPerBand;
      const QRect band(area.left(), top, area.width(),
                       std::min(rowsPerBand, area.bottom() + 1 - top));
      try {
        if (how.background) how.background(band);
        own.CopyStateFrom(pool.start);
        own.SetClip(&view, band);
        WorkArea w = work0;
        DragState d = drag0;
        PanelState p = panel0;
        TextState t = text0;
        RedrawFigureRows(own, figures, zoomPercent, settings, w, d, p, t, picture, [&](int row) {
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
    own.Bind(nullptr);
  };

  struct Waiter {
    std::vector<BandWorker*> posted;
    ~Waiter() {
      for (BandWorker* w : posted) w->Wait();
    }
  } waiter;
  for (const auto& worker : pool.workers) {
    BandWorker& w = *worker;
    w.Post([&w, &drawBands] { drawBands(w.canvas, w.view); });
    waiter.posted.push_back(&w);
  }

  // The caller's own pass: every figure, nothing written, its reach noted.
  {
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
    canvas.SetTouchHandler(surface, [&](const QRect& r) {
      Reaches::Rows& rows = reaches.rows[size_t(current)];
      rows.top = std::min(rows.top, r.top());
      rows.bottom = std::max(rows.bottom, r.bottom());
    });
    try {
      RedrawFigureRows(canvas, figures, zoomPercent, settings, work, drag, panel, text, picture,
                       [&](int row) {
                         reaches.known.store(row - 1, std::memory_order_release);
                         current = row;
                         return true;
                       });
      reaches.known.store(count, std::memory_order_release);
    } catch (...) {
      reaches.failed.store(true, std::memory_order_release);
      nextBand.store(bands);
      for (BandWorker* w : waiter.posted) w->Wait();
      waiter.posted.clear();
      throw;
    }
  }
  drawBands(pool.callerCanvas, pool.callerView);
  for (BandWorker* w : waiter.posted)
    if (std::exception_ptr e = w->Wait(); e && !firstError) firstError = e;
  waiter.posted.clear();
  if (firstError) std::rethrow_exception(firstError);
}

}  // namespace velmor

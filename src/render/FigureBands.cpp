#include "render/FigureBands.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <exception>
#include <functional>
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

}  // namespace

void RedrawFiguresInBands(GdiCanvas& canvas, const FigureTable& figures, int16_t zoomPercent,
                          const Settings& settings, WorkArea& work, DragState& drag,
                          PanelState& panel, TextState& text, const QImage* picture) {
  auto alone = [&] {
    RedrawFigures(canvas, figures, zoomPercent, settings, work, drag, panel, text, picture);
  };
  QImage* surface = canvas.Surface();
  const QRect area = canvas.DrawableRect();
  const int count = std::clamp<int>(figures.FigureCount, 0, fig::kMaxFigures);
  if (surface == nullptr || surface->isNull() || !Is32Bit(surface->format()) ||
      count < kFewestFigures || int64_t(area.width()) * area.height() < kSmallestArea)
    return alone();
  BandWorkers& pool = BandWorkers::Instance();
  const int bands = std::min<int>(int(pool.workers.size()) + 1, area.height());
  if (bands < 2 || pool.busy.exchange(true, std::memory_order_acquire)) return alone();
  struct Release {
    std::atomic<bool>& busy;
    ~Release() { busy.store(false, std::memory_order_release); }
  } release{pool.busy};

  // The pixels are written through other headers from here on: no copy-on-write may move them.
  uchar* const bits = surface->bits();
  canvas.Touch(area.left(), area.top(), area.right(), area.bottom());
  auto edge = [&](int k) { return area.top() + int(int64_t(area.height()) * k / bands); };
  auto band = [&](int k) {
    return QRect(area.left(), edge(k), area.width(), edge(k + 1) - edge(k));
  };

  // Every band starts from the state the caller's band starts from, taken before it changes.
  struct Waiter {
    std::vector<BandWorker*> posted;
    ~Waiter() {
      for (BandWorker* w : posted) w->Wait();
    }
    void Rethrow() {
      std::exception_ptr first;
      for (BandWorker* w : posted)
        if (std::exception_ptr e = w->Wait(); e && !first) first = e;
      posted.clear();
      if (first) std::rethrow_exception(first);
    }
  } waiter;
  for (int k = 1; k < bands; ++k) {
    BandWorker& w = *pool.workers[size_t(k - 1)];
    w.view = QImage(bits, surface->width(), surface->height(), surface->bytesPerLine(),
                    surface->format());
    w.canvas.Bind(&w.view);
    w.canvas.CopyStateFrom(canvas);
    w.canvas.SetClip(&w.view, band(k));
    w.canvas.SetTouchHandler(nullptr, {});
    w.Post([&w, &figures, zoomPercent, &settings, work, drag, panel, text, picture]() mutable {
      RedrawFigures(w.canvas, figures, zoomPercent, settings, work, drag, panel, text, picture);
      w.canvas.Bind(nullptr);
    });
    waiter.posted.push_back(&w);
  }

  struct ClipBack {
    GdiCanvas& canvas;
    const QImage* surface;
    QRect clip;
    ~ClipBack() { canvas.SetClip(surface, clip); }
  } clipBack{canvas, canvas.ClipSurface(), canvas.Clip()};
  canvas.SetClip(surface, band(0));
  RedrawFigures(canvas, figures, zoomPercent, settings, work, drag, panel, text, picture);
  waiter.Rethrow();
}

}  // namespace velmor

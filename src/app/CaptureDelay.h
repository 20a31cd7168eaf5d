// The delay the toolbar's box DelayBox puts before the whole-screen, active-window and
// fixed-rectangle captures: the seconds are counted down on a status panel, each one a wait of
// the modal seam, so that window events (Esc among them) go on running meanwhile.
#pragma once

#include <QString>
#include <functional>

#include "core/base/TaggedValue.h"

class QLabel;

namespace velmor {

namespace delay_text {
inline const QString kTooltip = QStringLiteral("キャプチャまでの待ち時間");
inline const QString kHint = QStringLiteral("設定した秒数を待ってからキャプチャします。");
inline const QString kCancelled = QStringLiteral("キャプチャを取り消しました。");
inline const QString kNoDelay = QStringLiteral("遅延なし");
inline const QString kSuffix = QStringLiteral("秒");
// What the prompt panel shows with `seconds` still to go.
QString SecondsLeft(int seconds);
}  // namespace delay_text

constexpr int kMaxCaptureDelaySeconds = 10;

// The delay kept in the settings: a whole number of seconds 0 to 10; anything else gives 0.
int CaptureDelaySecondsOf(const TaggedValue& stored);

class CaptureDelay {
 public:
  explicit CaptureDelay(QLabel& prompt) : prompt_(prompt) {}
  CaptureDelay(const CaptureDelay&) = delete;
  CaptureDelay& operator=(const CaptureDelay&) = delete;

  // Runs `capture` once `seconds` have been counted down, at once for 0. A capture asked for
  // while a countdown is under way is ignored; one given up with Cancel does not run.
  void Run(int seconds, const std::function<void()>& capture);
  bool CountingDown() const { return counting_; }
  // Gives up the countdown under way. False when there is none.
  bool Cancel();

  // While one lives, Run starts its capture without counting down: the caller has waited
  // already (the command line's --delay).
  class Skipped {
   public:
    explicit Skipped(CaptureDelay& delay) : delay_(delay), was_(delay.skipped_) {
      delay_.skipped_ = true;
    }
    ~Skipped() { delay_.skipped_ = was_; }
    Skipped(const Skipped&) = delete;
    Skipped& operator=(const Skipped&) = delete;

   private:
    CaptureDelay& delay_;
    bool was_;
  };

 private:
  // False when the countdown was given up.
  bool CountDown(int seconds);

  QLabel& prompt_;
  bool counting_ = false;
  bool cancelled_ = false;
  bool skipped_ = false;
};

}  // namespace velmor

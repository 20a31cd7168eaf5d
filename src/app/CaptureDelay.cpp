#include "app/CaptureDelay.h"

#include <QLabel>

#include "core/base/NumberRules.h"
#include "platform/Modal.h"

namespace velmor {

QString delay_text::SecondsLeft(int seconds) {
  return QStringLiteral("キャプチャまで %1 秒").arg(seconds);
}

int CaptureDelaySecondsOf(const TaggedValue& stored) {
  const std::optional<double> number = NumberOf(stored);
  if (!number) return 0;
  const std::optional<int16_t> seconds = ToInt16(*number);
  if (!seconds || *seconds < 0 || *seconds > kMaxCaptureDelaySeconds) return 0;
  return *seconds;
}

void CaptureDelay::Run(int seconds, const std::function<void()>& capture) {
  // The waits let toolbar clicks in: a second capture must not start a countdown of its own.
  if (counting_) return;
  if (seconds > 0 && !skipped_ && !CountDown(seconds)) return;
  capture();
}

bool CaptureDelay::CountDown(int seconds) {
  struct Counting {
    explicit Counting(bool& flag) : flag_(flag) { flag_ = true; }
    ~Counting() { flag_ = false; }
    bool& flag_;
  };
  const Counting counting(counting_);
  cancelled_ = false;
  const QString before = prompt_.text();
  for (int left = seconds; left > 0; --left) {
    prompt_.setText(delay_text::SecondsLeft(left));
    platform::Modal().WaitWithEvents(1.0);
    if (cancelled_) return false;
  }
  // The capture then shows what it always shows, from where the prompt was.
  prompt_.setText(before);
  return true;
}

bool CaptureDelay::Cancel() {
  if (!counting_ || cancelled_) return false;
  cancelled_ = true;
  // Said at once, though the second under way runs out before the countdown ends.
  prompt_.setText(delay_text::kCancelled);
  return true;
}

}  // namespace velmor

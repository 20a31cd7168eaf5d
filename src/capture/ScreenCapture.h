// The screen captures of the main window: the toolbar's capture of the whole screen (through
// the selection window) or of the active window, and the capture of the fixed rectangle that
// the settings give (button "矩形").
#pragma once

#include <QString>
#include <memory>

#include "capture/CaptureHost.h"
#include "platform/Modal.h"

namespace velmor {

class FullScreenSelector;

namespace capture_text {
inline const QString& kTitle = platform::kProgramName;
inline const QString kScreenFailed = QStringLiteral("画面全体を取得できませんでした。");
inline const QString kActiveWindowFailed = QStringLiteral("アクティブ画面を取得できませんでした。");
inline const QString kRectangleFailed = QStringLiteral("取得中にエラーが発生しました");
}  // namespace capture_text

class ScreenCapture {
 public:
  explicit ScreenCapture(CaptureHost& host);
  ~ScreenCapture();
  ScreenCapture(const ScreenCapture&) = delete;
  ScreenCapture& operator=(const ScreenCapture&) = delete;

  // The toolbar's capture. The caller has already dropped the figures and set the zoom to 100.
  void CaptureScreen();

  // The capture of the rectangle of Settings slots 51 to 54 (centre x, centre y, width,
  // height) straight into the canvas; figures and zoom stay as they are.
  void CaptureFixedRectangle();

  // The selection window; nullptr until the first whole-screen capture creates it.
  FullScreenSelector* frmFullScreen() const { return frmFullScreen_.get(); }

 private:
  void FailCapture(const QString& text, bool exclamation);

  CaptureHost& host_;
  std::unique_ptr<FullScreenSelector> frmFullScreen_;
  bool busy_ = false;
};

}  // namespace velmor

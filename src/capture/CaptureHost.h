// What the captures need from the main window. Form1 implements it; tests use a fake.
#pragma once

#include <QImage>
#include <cstdint>

namespace velmor {

class Settings;

class CaptureHost {
 public:
  virtual ~CaptureHost() = default;

  virtual void MinimizeMainWindow() = 0;
  // Brings the main window back from minimised or hidden: visible, not minimised, active.
  virtual void RestoreMainWindow() = 0;
  virtual void HideMainWindow() = 0;
  // Makes the hidden main window visible again, in the state it had.
  virtual void ShowMainWindow() = 0;

  // Makes `picture` the canvas's background picture; the canvas sizes itself to it at the
  // current ZoomPercent. The caller then calls Pic_int.
  virtual void SetCanvasPicture(const QImage& picture) = 0;
  virtual void Pic_int() = 0;

  // The scratch picture CutPic: keeps the last cut or fixed-rectangle capture.
  virtual void SetCutPic(const QImage& picture) = 0;

  // 1 = active-window mode, 0 = whole-screen mode (the toolbar's toggle).
  virtual int16_t CaptureActiveWindow() const = 0;
  virtual const Settings& CurrentSettings() const = 0;
};

}  // namespace velmor

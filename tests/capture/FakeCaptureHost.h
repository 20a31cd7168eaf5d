// A CaptureHost that records what the captures ask of the main window.
#pragma once

#include <QImage>
#include <QStringList>

#include "capture/CaptureHost.h"
#include "core/settings/Settings.h"

namespace velmor::test {

class FakeCaptureHost : public CaptureHost {
 public:
  enum class WindowState { Normal, Minimized, Hidden };

  void MinimizeMainWindow() override { Note("minimize", WindowState::Minimized); }
  void RestoreMainWindow() override { Note("restore", WindowState::Normal); }
  void HideMainWindow() override { Note("hide", WindowState::Hidden); }
  void ShowMainWindow() override { Note("show", WindowState::Normal); }
  void SetCanvasPicture(const QImage& picture) override {
    canvas = picture;
    events << QStringLiteral("canvas");
  }
  void Pic_int() override {
    ++picIntCalls;
    events << QStringLiteral("Pic_int");
  }
  void SetCutPic(const QImage& picture) override {
    cutPic = picture;
    events << QStringLiteral("CutPic");
  }
  int16_t CaptureActiveWindow() const override { return captureActiveWindow; }
  const Settings& CurrentSettings() const override { return settings; }

  QStringList events;
  WindowState state = WindowState::Normal;
  QImage canvas;
  QImage cutPic;
  int picIntCalls = 0;
  int16_t captureActiveWindow = 0;
  Settings settings;

 private:
  void Note(const char* what, WindowState next) {
    events << QString::fromLatin1(what);
    state = next;
  }
};

}  // namespace velmor::test

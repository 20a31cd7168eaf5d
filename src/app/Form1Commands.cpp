// The File and Help menus and the toolbar: each item calls one operation under the error trap.
#include <QAction>
#include <QSpinBox>
#include <QToolButton>

#include "app/AboutMessage.h"
#include "app/CaptureDelay.h"
#include "app/DialogJ.h"
#include "app/Form1.h"
#include "app/Icons.h"
#include "core/model/ControlIndexes.h"

namespace velmor {

void Form1::FileK_Click(int index) {
  RunTrapped([this, index] {
    switch (index) {
      case filemenu::kOpen:
        OpenImage();
        break;
      case filemenu::kSave:
        SaveImage();
        break;
      case filemenu::kExit:
        SaveSettingsAndExit();
        break;
      case filemenu::kCopyWithFigures:
        CopyImageWithFigures();
        break;
      default:
        break;
    }
  });
}

void Form1::HelpK_Click(int index) {
  RunTrapped([index] {
    if (index == helpmenu::kAbout) ShowAboutMessage();
  });
}

void Form1::Toolbar1_ButtonClick(int index) {
  RunTrapped([this, index] {
    switch (index) {
      case toolbar::kOpen:
        OpenImage();
        break;
      case toolbar::kSave:
        SaveImage();
        break;
      case toolbar::kZoomFrame:
        panel.FrameDragMode = framedrag::kZoom;
        break;
      case toolbar::kZoomIn:
        ZoomIn();
        break;
      case toolbar::kZoomOut:
        ZoomOut();
        break;
      case toolbar::kZoomActual:
        ZoomActualSize();
        break;
      case toolbar::kCut:
        panel.FrameDragMode = framedrag::kCut;
        break;
      case toolbar::kCopy:
        CopyImage();
        break;
      case toolbar::kPaste:
        PasteImage();
        break;
      case toolbar::kCapture:
        // Nothing of the capture happens before the countdown: Esc leaves the figures.
        Countdown().Run(DelayBox->value(), [this] {
          ClearFigures(figures, undo);
          FiguresDropped();
          // The canvas goes back to the picture's size with the zoom, even if the capture fails.
          ZoomActualSize();
          CaptureScreen();
        });
        break;
      case toolbar::kCaptureTarget: {
        QAction* toggle = Toolbar1Buttons.at(toolbar::kCaptureTarget);
        const bool down = toggle->isChecked();
        toggle->setToolTip(down ? QStringLiteral("ｱｸﾃｨﾌﾞ画面") : QStringLiteral("全画面"));
        toggle->setText(toggle->toolTip());
        toggle->setIcon(VelmorIcon(down ? QStringLiteral("capture-target-active")
                                        : QStringLiteral("capture-target-full")));
        panel.CaptureActiveWindow = down ? 1 : 0;
        break;
      }
      case toolbar::kSettings:
        OpenSettingsDialog();
        break;
      case toolbar::kCopyWithFigures:
        CopyImageWithFigures();
        break;
      default:
        break;
    }
  });
}

void Form1::OpenSettingsDialog() {
  DialogJ dialog(settings, this);
  dialog.SetMainWindowShower([this](bool visible) { setVisible(visible); });
  platform::Modal().RunDialog(dialog);
}

}  // namespace velmor

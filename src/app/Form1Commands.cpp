// The File and Help menus and the toolbar: each item calls one operation under the error trap.
#include <QAction>
#include <QToolButton>

#include "app/Form1.h"
#include "app/Icons.h"
#include "app/AboutMessage.h"
#include "app/DialogJ.h"

namespace velmor {

void Form1::FileK_Click(int index) {
  RunTrapped([this, index] {
    switch (index) {
      case 0: OpenImage(); break;
      case 1: SaveImage(); break;
      case 3: SaveSettingsAndExit(); break;
      case 4: CopyImageWithFigures(); break;
      default: break;
    }
  });
}

void Form1::HelpK_Click(int index) {
  RunTrapped([index] {
    if (index == 0) ShowAboutMessage();
  });
}

void Form1::Toolbar1_ButtonClick(int index) {
  RunTrapped([this, index] {
    switch (index) {
      case 2: OpenImage(); break;
      case 4: SaveImage(); break;
      case 6: panel.FrameDragMode = 1; break;
      case 7: ZoomIn(); break;
      case 8: ZoomOut(); break;
      case 9: ZoomActualSize(); break;
      case 11: panel.FrameDragMode = 2; break;
      case 12: CopyImage(); break;
      case 13: PasteImage(); break;
      case 15:
        ClearFigures(figures, undo);
        FiguresDropped();
        // The canvas goes back to the picture's size with the zoom, even if the capture fails.
        ZoomActualSize();
        CaptureScreen();
        break;
      case 16: {
        QAction* toggle = Toolbar1Buttons.at(16);
        const bool down = toggle->isChecked();
        toggle->setToolTip(down ? QStringLiteral("ｱｸﾃｨﾌﾞ画面") : QStringLiteral("全画面"));
        toggle->setText(toggle->toolTip());
        toggle->setIcon(VelmorIcon(down ? QStringLiteral("capture-target-active")
                                        : QStringLiteral("capture-target-full")));
        panel.CaptureActiveWindow = down ? 1 : 0;
        break;
      }
      case 18: OpenSettingsDialog(); break;
      case 19: CopyImageWithFigures(); break;
      default: break;
    }
  });
}

void Form1::OpenSettingsDialog() {
  DialogJ dialog(settings, this);
  dialog.SetMainWindowShower([this](bool visible) { setVisible(visible); });
  platform::Modal().RunDialog(dialog);
}

}  // namespace velmor

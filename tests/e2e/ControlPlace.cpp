// Where the main window's controls sit, for the scenarios that click them: the window is laid
// out offscreen at the size it opens with, and the centre of each control named is printed as
// "x y" in the window's own pixels (menu bar included), one line per name.
// Usage: control_place OBJECTNAME...
#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>

#include "app/Form1.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QTemporaryDir folder;
  // Empty settings, as the scenarios start the program with.
  QFile ini(folder.filePath(QStringLiteral("VLM.INI")));
  if (!folder.isValid() || !ini.open(QIODevice::WriteOnly)) return 1;
  ini.close();
  velmor::Form1 form(folder.path());
  form.exitProgram = [] {};
  form.show();
  QApplication::processEvents();
  for (int i = 1; i < argc; ++i) {
    const QWidget* control = form.findChild<QWidget*>(QString::fromLocal8Bit(argv[i]));
    if (control == nullptr || !control->isVisibleTo(&form)) {
      std::fprintf(stderr, "control_place: no control %s on the window\n", argv[i]);
      return 1;
    }
    const QPoint centre = control->mapTo(&form, control->rect().center());
    std::printf("%d %d\n", centre.x(), centre.y());
  }
  return 0;
}

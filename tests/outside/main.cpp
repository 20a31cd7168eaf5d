// Builds the main window from outside Velmor's tree: the library, its headers and its compiled-in
// icons must all be reachable that way.
#include <QApplication>
#include <QTemporaryDir>
#include <QToolButton>
#include <cstdio>

#include "app/Form1.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QTemporaryDir folder;
  velmor::Form1 form(folder.path());
  form.exitProgram = [] {};
  const bool ok = form.Toolbar1Buttons.size() == 19 && !form.UNDB->icon().isNull() &&
                  !form.RDOB->icon().isNull();
  std::printf("outside project: main window %s\n", ok ? "built" : "incomplete");
  return ok ? 0 : 1;
}

#include <QApplication>

#include "app/Form1.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  velmor::Form1 form(QCoreApplication::applicationDirPath());
  form.showMaximized();
  return app.exec();
}

#include <QApplication>

#include "app/Form1.h"
#include "platform/Modal.h"
#include "platform/QtTexts.h"
#include "platform/WindowSystem.h"
#include "platform/SingleInstance.h"

int main(int argc, char** argv) {
  velmor::platform::ChooseWindowSystem();
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Velmor"));
  velmor::platform::InstallJapaneseQtTexts();

  velmor::platform::SingleInstanceGuard guard(
      velmor::platform::SingleInstanceGuard::KeyForThisProgram());
  if (!guard.TryAcquire()) {
    velmor::platform::ShowMessage(QStringLiteral("このプログラムは既に起動されています。"),
                                  QStringLiteral("二重起動"), velmor::platform::MsgIcon::Stop);
    return 0;
  }

  velmor::Form1 form(QCoreApplication::applicationDirPath());
  form.showMaximized();
  return app.exec();
}

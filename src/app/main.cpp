#include <QApplication>

#include "app/CommandLine.h"
#include "app/Form1.h"
#include "app/Launch.h"
#include "app/SettingsLocation.h"
#include "platform/Modal.h"
#include "platform/QtTexts.h"
#include "platform/SingleInstance.h"
#include "platform/WindowSystem.h"

int main(int argc, char** argv) {
  velmor::CommandLine command;
  if (const auto code = velmor::StartFromCommandLine(argc, argv, command)) return *code;
  velmor::platform::ChooseWindowSystem();
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Velmor"));
  QGuiApplication::setDesktopFileName(QStringLiteral("org.velmor.Velmor"));
  velmor::platform::InstallJapaneseQtTexts();
  const QString settingsFolder = velmor::SettingsFolderFor(QCoreApplication::applicationDirPath());
  if (!command.batchFolder.isEmpty()) return velmor::RunBatch(settingsFolder, command.batchFolder);

  const QString key = velmor::platform::SingleInstanceGuard::KeyForThisProgram();
  velmor::platform::SingleInstanceGuard guard(key);
  if (!guard.TryAcquire()) {
    if (!command.request.IsEmpty() && velmor::platform::HandOverToRunningCopy(key, command.request))
      return 0;
    velmor::platform::ShowMessage(QStringLiteral("このプログラムは既に起動されています。"),
                                  QStringLiteral("二重起動"), velmor::platform::MsgIcon::Stop);
    return 0;
  }

  velmor::Form1 form(settingsFolder);
  velmor::ListenForLaterCopies(form, key);
  form.showMaximized();
  velmor::CarryOutAfterStart(form, command.request);
  return app.exec();
}

#include "support/FakeModal.h"

#include <QDialog>

namespace velmor::test {

platform::MsgResult FakeModal::Message(const platform::MessageRequest& request) {
  messages.push_back(request);
  if (messageAnswers.empty()) return platform::MsgResult::Ok;
  const auto answer = messageAnswers.front();
  messageAnswers.pop_front();
  return answer;
}

bool FakeModal::Dialog(platform::DialogKind kind, platform::CommonDialog& dialog) {
  dialogs.emplace_back(kind, dialog);
  if (dialogAnswers.empty()) {
    if (kind == platform::DialogKind::Open || kind == platform::DialogKind::Save)
      dialog.FileName.clear();
    return false;
  }
  auto answer = std::move(dialogAnswers.front());
  dialogAnswers.pop_front();
  return answer(dialog);
}

void FakeModal::WaitWithEvents(double seconds) {
  waitedSeconds += seconds;
  waits.push_back(seconds);
  if (onWait) onWait(seconds);
}

}  // namespace velmor::test

namespace velmor::test {

int FakeModal::RunDialog(QDialog& dialog) {
  ++dialogsRun;
  dialog.setResult(QDialog::Rejected);
  if (onRunDialog) onRunDialog(dialog);
  return dialog.result();
}

}  // namespace velmor::test

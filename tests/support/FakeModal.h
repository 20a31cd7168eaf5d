// A ModalHandler for tests: records every request and answers from queues the test fills.
#pragma once

#include <deque>
#include <functional>
#include <vector>

#include "platform/Modal.h"

namespace velmor::test {

class FakeModal : public platform::ModalHandler {
 public:
  FakeModal() { platform::SetModalHandler(this); }
  ~FakeModal() override { platform::SetModalHandler(nullptr); }

  // Answers for message boxes (Ok when the queue is empty).
  std::deque<platform::MsgResult> messageAnswers;
  // Answers for dialogs: each edits the properties and returns whether the user confirmed.
  // With the queue empty, a dialog is cancelled (FileName emptied for file dialogs).
  std::deque<std::function<bool(platform::CommonDialog&)>> dialogAnswers;
  // Called instead of waiting (nothing when unset); the total asked for is kept.
  std::function<void(double)> onWait;
  // Plays the user's part in one of the program's own dialogs (it stays open and is rejected
  // when unset); count kept in dialogsRun.
  std::function<void(QDialog&)> onRunDialog;
  int dialogsRun = 0;

  std::vector<platform::MessageRequest> messages;
  std::vector<std::pair<platform::DialogKind, platform::CommonDialog>> dialogs;
  double waitedSeconds = 0;
  std::vector<double> waits;  // each wait asked for, in order

  platform::MsgResult Message(const platform::MessageRequest& request) override;
  bool Dialog(platform::DialogKind kind, platform::CommonDialog& dialog) override;
  void WaitWithEvents(double seconds) override;
  int RunDialog(QDialog& dialog) override;
};

}  // namespace velmor::test

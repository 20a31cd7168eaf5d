#include "app/Launch.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QListWidget>
#include <QPointer>
#include <QTimer>
#include <QToolButton>
#include <cstdio>
#include <optional>
#include <vector>

#include "app/CaptureDelay.h"
#include "app/CommandLine.h"
#include "app/Form1.h"
#include "core/model/ControlIndexes.h"
#include "platform/Modal.h"

namespace velmor {

namespace {

constexpr int kRetryMs = 200;

// Answers the next open dialog with a path, and passes everything else on.
class AnswerOpenWith final : public platform::ModalHandler {
 public:
  AnswerOpenWith(platform::ModalHandler& next, QString path)
      : next_(next), path_(std::move(path)) {}
  platform::MsgResult Message(const platform::MessageRequest& request) override {
    return next_.Message(request);
  }
  bool Dialog(platform::DialogKind kind, platform::CommonDialog& dialog) override {
    if (kind != platform::DialogKind::Open || answered_) return next_.Dialog(kind, dialog);
    answered_ = true;
    dialog.FileName = path_;
    return true;
  }
  void WaitWithEvents(double seconds) override { next_.WaitWithEvents(seconds); }
  int RunDialog(QDialog& dialog) override { return next_.RunDialog(dialog); }

 private:
  platform::ModalHandler& next_;
  QString path_;
  bool answered_ = false;
};

// Collects the batch's messages instead of showing them: nobody is there to close a box.
class CollectMessages final : public platform::ModalHandler {
 public:
  explicit CollectMessages(platform::ModalHandler& next) : next_(next) {}
  std::vector<platform::MessageRequest> messages;
  platform::MsgResult Message(const platform::MessageRequest& request) override {
    messages.push_back(request);
    return platform::MsgResult::Ok;
  }
  bool Dialog(platform::DialogKind, platform::CommonDialog& dialog) override {
    dialog.FileName.clear();
    return false;
  }
  void WaitWithEvents(double seconds) override { next_.WaitWithEvents(seconds); }
  int RunDialog(QDialog&) override { return 0; }

 private:
  platform::ModalHandler& next_;
};

// Installs a handler for the length of a scope and puts the one before it back.
class HandlerInForce {
 public:
  explicit HandlerInForce(platform::ModalHandler& handler) : previous_(platform::Modal()) {
    platform::SetModalHandler(&handler);
  }
  ~HandlerInForce() { platform::SetModalHandler(&previous_); }
  HandlerInForce(const HandlerInForce&) = delete;
  HandlerInForce& operator=(const HandlerInForce&) = delete;

 private:
  platform::ModalHandler& previous_;
};

// The frozen screen of a whole-screen capture is up: the capture is still going on.
bool SelectionWindowShown() {
  for (QWidget* widget : QApplication::topLevelWidgets())
    if (widget->isVisible() && widget->windowTitle() == QLatin1String("Form2")) return true;
  return false;
}

void BringForward(Form1& form) {
  if (!form.isVisible() || form.isMinimized()) form.showMaximized();
  form.raise();
  form.activateWindow();
}

void StartCapture(Form1& form, const QString& kind) {
  if (kind == QLatin1String("rect")) {
    form.Command5->click();
    return;
  }
  QAction* toggle = form.Toolbar1Buttons.at(toolbar::kCaptureTarget);
  const bool wantActive = kind == QLatin1String("window");
  // The toggle shows which capture it is, as if the user had pressed it.
  if (toggle->isChecked() != wantActive) toggle->trigger();
  form.Toolbar1Buttons.at(toolbar::kCapture)->trigger();
}

}  // namespace

void OpenAsOpenCommand(Form1& form, const QString& path) {
  AnswerOpenWith answer(platform::Modal(), path);
  const HandlerInForce inForce(answer);
  form.Toolbar1_ButtonClick(toolbar::kOpen);
}

void CarryOutRequest(Form1& form, const platform::LaunchRequest& request) {
  if (platform::InsideNestedEvents() || SelectionWindowShown()) {
    const QPointer<Form1> target(&form);
    QTimer::singleShot(kRetryMs, &form, [target, request] {
      if (target) CarryOutRequest(*target, request);
    });
    return;
  }
  BringForward(form);
  if (!request.file.isEmpty()) OpenAsOpenCommand(form, request.file);
  if (request.capture.isEmpty()) return;
  const QPointer<Form1> target(&form);
  if (request.delaySeconds > 0) platform::Modal().WaitWithEvents(request.delaySeconds);
  if (!target) return;
  // A --delay of its own stands in for the toolbar's; without one, the toolbar's counts down.
  std::optional<CaptureDelay::Skipped> ownDelay;
  if (request.delaySeconds > 0 || request.noDelay) ownDelay.emplace(target->Countdown());
  StartCapture(*target, request.capture);
}

void CarryOutAfterStart(Form1& form, const platform::LaunchRequest& request) {
  if (request.IsEmpty()) return;
  QTimer::singleShot(0, &form, [&form, request] { CarryOutRequest(form, request); });
}

void ListenForLaterCopies(Form1& form, const QString& key) {
  auto* server = new platform::HandOffServer(key, &form);
  QObject::connect(
      server, &platform::HandOffServer::Requested, &form,
      [&form](const platform::LaunchRequest& request) { CarryOutRequest(form, request); });
  if (!server->Listen())
    std::fprintf(stderr, "velmor: later copies cannot hand over their requests: %s\n",
                 qPrintable(server->SocketPath()));
}

int RunBatch(const QString& settingsFolder, const QString& folder) {
  Form1 form(settingsFolder);
  QTextStream out(stdout);
  QTextStream err(stderr);
  return RunBatchWithoutWindow(form, folder, out, err);
}

int RunBatchWithoutWindow(Form1& form, const QString& folder, QTextStream& out, QTextStream& err) {
  if (!QFileInfo(folder).isDir()) {
    err << QStringLiteral("velmor: フォルダ %1 が見つかりません。").arg(folder) << '\n';
    err.flush();
    return kExitUsage;
  }
  // Message boxes would wait for a user who is not there; the summary says it all.
  CollectMessages collect(platform::Modal());
  batch::BatchSummary summary;
  {
    const HandlerInForce inForce(collect);
    summary = form.BatchStampFolderIn(folder);
  }
  for (const batch::BatchProblem& problem : summary.Problems)
    out << QStringLiteral("%1 : %2").arg(problem.FileName, problem.Reason) << '\n';
  const int skipped = static_cast<int>(summary.Problems.size());
  out << QStringLiteral("%1 個のﾌｧｲﾙを保存しました。%2 個のﾌｧｲﾙを処理できませんでした。")
             .arg(summary.Written)
             .arg(skipped)
      << '\n';
  out.flush();
  return skipped > 0 ? kExitSkippedFiles : 0;
}

}  // namespace velmor

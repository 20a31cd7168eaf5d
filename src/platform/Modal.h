// The one seam through which every modal interaction passes: message boxes, the common file,
// colour and font dialogs, and the timed waits that keep window events flowing. The program
// uses the real dialogs; a test installs a ModalHandler that answers without a modal loop.
#pragma once

#include <QString>
#include <cstdint>

class QDialog;

namespace velmor::platform {

// The program's name: the main window's title and the title of its messages.
inline const QString kProgramName = QStringLiteral("Velmor");

enum class MsgIcon { None, Information, Exclamation, Question, Stop };
enum class MsgButtons { Ok, OkCancel, YesNo };
enum class MsgResult { Ok, Cancel, Yes, No };

struct MessageRequest {
  QString text;
  QString title;
  MsgIcon icon = MsgIcon::None;
  MsgButtons buttons = MsgButtons::Ok;
};

// The properties of the main window's common dialog control: set before a Show call, read after
// it.
struct CommonDialog {
  QString DialogTitle;
  QString Filter;  // "description|pattern;pattern"
  int FilterIndex = 1;
  int Flags = 0;
  QString FileName;    // chosen path; empty after a cancel
  uint32_t Color = 0;  // RGB packed as red + 256 * green + 65536 * blue
  QString FontName;
  float FontSize = 0;
  bool FontBold = false;
  bool FontItalic = false;

  // Each returns true when the user confirmed. A cancelled file dialog empties FileName; a
  // cancelled colour or font dialog leaves the properties as they were.
  bool ShowOpen();
  bool ShowSave();
  bool ShowColor();
  bool ShowFont();
};

enum class DialogKind { Open, Save, Color, Font };

class ModalHandler {
 public:
  virtual ~ModalHandler() = default;
  virtual MsgResult Message(const MessageRequest& request) = 0;
  // Shows the dialog for the properties in `dialog`, writes the user's answer back into it and
  // returns whether the user confirmed.
  virtual bool Dialog(DialogKind kind, CommonDialog& dialog) = 0;
  // Lets window events run for the given time (a monotonic clock measures it).
  virtual void WaitWithEvents(double seconds) = 0;
  // Runs one of the program's own dialogs modally; returns its result (QDialog::Accepted...).
  virtual int RunDialog(QDialog& dialog) = 0;
};

// The handler in force: the installed one, or the real dialogs when none is installed.
ModalHandler& Modal();
// Installs a handler (nullptr returns to the real dialogs). The caller keeps ownership.
void SetModalHandler(ModalHandler* handler);

// Shortcut for a message box through the seam.
MsgResult ShowMessage(const QString& text, const QString& title, MsgIcon icon = MsgIcon::None,
                      MsgButtons buttons = MsgButtons::Ok);

// Lets pending window events run once (one pass of the event loop).
void ProcessPendingEvents();

// True while the program is inside a dialog, a message box, a wait or a pass of pending events,
// i.e. not directly in the main event loop: code will go on running once that returns.
bool InsideNestedEvents();

}  // namespace velmor::platform

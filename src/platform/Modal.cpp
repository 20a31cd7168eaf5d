#include "platform/Modal.h"

#include <QApplication>
#include <QColorDialog>
#include <QDialog>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFontDialog>
#include <QMessageBox>
#include <QThread>

#include "platform/NameOnlyIconProvider.h"

namespace velmor::platform {

namespace {

int g_pumpDepth = 0;  // passes of events run by hand (waits, ProcessPendingEvents)

struct Pumping {
  Pumping() { ++g_pumpDepth; }
  ~Pumping() { --g_pumpDepth; }
};

QString QtFilter(const QString& filter) {
  // "desc|*.a;*.b|desc2|*.c" -> "desc (*.a *.b);;desc2 (*.c)"
  const QStringList parts = filter.split('|');
  QStringList out;
  for (int i = 0; i + 1 < parts.size(); i += 2)
    out << QStringLiteral("%1 (%2)").arg(parts[i], QString(parts[i + 1]).replace(';', ' '));
  return out.join(QStringLiteral(";;"));
}

QColor FromRgb(uint32_t rgb) {
  return QColor(rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF);
}
uint32_t ToRgb(const QColor& c) {
  return static_cast<uint32_t>(c.red()) | (static_cast<uint32_t>(c.green()) << 8) |
         (static_cast<uint32_t>(c.blue()) << 16);
}

// Qt's widget file dialog, with icons and types told from names only.
QString RunFileDialog(QWidget* parent, bool open, const CommonDialog& d) {
  NameOnlyIconProvider icons;  // outlives the dialog
  QFileDialog dialog(parent, d.DialogTitle);
  dialog.setIconProvider(&icons);
  dialog.setAcceptMode(open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
  dialog.setFileMode(open ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  dialog.setNameFilters(QtFilter(d.Filter).split(QStringLiteral(";;")));
  if (!d.FileName.isEmpty()) dialog.selectFile(d.FileName);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().constFirst();
}

class RealModalHandler final : public ModalHandler {
 public:
  MsgResult Message(const MessageRequest& r) override {
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(r.title);
    box.setText(r.text);
    switch (r.icon) {
      case MsgIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
      case MsgIcon::Exclamation:
        box.setIcon(QMessageBox::Warning);
        break;
      case MsgIcon::Question:
        box.setIcon(QMessageBox::Question);
        break;
      case MsgIcon::Stop:
        box.setIcon(QMessageBox::Critical);
        break;
      case MsgIcon::None:
        break;
    }
    switch (r.buttons) {
      case MsgButtons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
      case MsgButtons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
      case MsgButtons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    }
    switch (box.exec()) {
      case QMessageBox::Cancel:
        return MsgResult::Cancel;
      case QMessageBox::Yes:
        return MsgResult::Yes;
      case QMessageBox::No:
        return MsgResult::No;
      default:
        return MsgResult::Ok;
    }
  }

  bool Dialog(DialogKind kind, CommonDialog& d) override {
    QWidget* parent = QApplication::activeWindow();
    switch (kind) {
      case DialogKind::Open:
      case DialogKind::Save: {
        const QString path = RunFileDialog(parent, kind == DialogKind::Open, d);
        d.FileName = path;
        return !path.isEmpty();
      }
      case DialogKind::Color: {
        const QColor c = QColorDialog::getColor(FromRgb(d.Color), parent);
        if (!c.isValid()) return false;
        d.Color = ToRgb(c);
        return true;
      }
      case DialogKind::Font: {
        bool ok = false;
        QFont initial(d.FontName);
        if (d.FontSize > 0) initial.setPointSizeF(d.FontSize);
        initial.setBold(d.FontBold);
        initial.setItalic(d.FontItalic);
        const QFont f = QFontDialog::getFont(&ok, initial, parent);
        if (!ok) return false;
        d.FontName = f.family();
        d.FontSize = static_cast<float>(f.pointSizeF());
        d.FontBold = f.bold();
        d.FontItalic = f.italic();
        return true;
      }
    }
    return false;
  }

  int RunDialog(QDialog& dialog) override { return dialog.exec(); }

  void WaitWithEvents(double seconds) override {
    const Pumping pumping;
    QElapsedTimer timer;  // monotonic: midnight cannot stall it
    timer.start();
    const qint64 ms = static_cast<qint64>(seconds * 1000);
    while (timer.elapsed() < ms) {
      QApplication::processEvents(QEventLoop::AllEvents, 20);
      QThread::msleep(5);
    }
  }
};

RealModalHandler& Real() {
  static RealModalHandler handler;
  return handler;
}
ModalHandler* g_handler = nullptr;

}  // namespace

ModalHandler& Modal() {
  return g_handler ? *g_handler : Real();
}
void SetModalHandler(ModalHandler* handler) {
  g_handler = handler;
}

MsgResult ShowMessage(const QString& text, const QString& title, MsgIcon icon, MsgButtons buttons) {
  return Modal().Message({text, title, icon, buttons});
}

void ProcessPendingEvents() {
  const Pumping pumping;
  QApplication::processEvents();
}

bool InsideNestedEvents() {
  return g_pumpDepth > 0 || QThread::currentThread()->loopLevel() > 1;
}

bool CommonDialog::ShowOpen() {
  return Modal().Dialog(DialogKind::Open, *this);
}
bool CommonDialog::ShowSave() {
  return Modal().Dialog(DialogKind::Save, *this);
}
bool CommonDialog::ShowColor() {
  return Modal().Dialog(DialogKind::Color, *this);
}
bool CommonDialog::ShowFont() {
  return Modal().Dialog(DialogKind::Font, *this);
}

}  // namespace velmor::platform

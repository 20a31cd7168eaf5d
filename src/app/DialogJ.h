// The modal settings dialog "設定": arrow head, segment caption, fixed circle size, JPEG quality
// and the fixed capture rectangle. It reads Settings each time it opens and writes them back
// only on OK.
#pragma once

#include <QDialog>
#include <QPoint>
#include <array>
#include <functional>
#include <optional>
#include <utility>

#include "core/settings/Settings.h"

class QCheckBox;
class QComboBox;
class QEventLoop;
class QLineEdit;
class QPushButton;

namespace velmor {

namespace dialogj_text {
// Shown by 中心位置取得 where the platform does not give the pointer's position on the screen.
inline const QString kPointerUnknown = QStringLiteral("マウスの位置を取得できませんでした。");
}  // namespace dialogj_text

class DialogJ : public QDialog {
  Q_OBJECT

 public:
  // Where the pointer is in screen pixels; nullopt where the platform does not tell.
  using CursorReader = std::function<std::optional<QPoint>()>;
  using SecondsClock = std::function<double()>;
  using WindowShower = std::function<void(bool visible)>;

  // `settings` must outlive the dialog. The parent's window is the main window that the
  // centre-position pick hides, unless SetMainWindowShower names another way.
  explicit DialogJ(Settings& settings, QWidget* parent = nullptr);

  // Modal run that survives the centre-position pick hiding the dialog (QDialog::exec would
  // end its loop at the first hide). Returns Accepted after OK, Rejected otherwise.
  int exec() override;
  // Every opening starts fresh from Settings; re-showing after the pick keeps the fields.
  void setVisible(bool visible) override;

  // Fills the fields from Settings (done by every opening).
  void Load();
  // Stores the fields into Settings (what OK does before closing).
  void Save();
  // The centre-position pick of Command1.
  void PickCentrePosition();

  // The last position read by the pick, screen pixels.
  QPoint LastCursorPosition() const { return lastCursor_; }

  // Seams for the pick: where the pointer is, a monotonic clock in seconds, and how the main
  // window is hidden and shown again.
  void SetCursorReader(CursorReader reader) { cursorReader_ = std::move(reader); }
  void SetClock(SecondsClock clock) { clock_ = std::move(clock); }
  void SetMainWindowShower(WindowShower shower) { mainWindowShower_ = std::move(shower); }

 private:
  void BuildControls();
  void ApplyQualityRule();
  void ShowMainWindow(bool visible);

  Settings& settings_;
  std::array<QLineEdit*, 4> txt1_{};
  QCheckBox* check1_ = nullptr;
  QComboBox* combo1_ = nullptr;
  QCheckBox* check2_ = nullptr;
  QLineEdit* cx_ = nullptr;
  QLineEdit* cy_ = nullptr;
  QLineEdit* dx_ = nullptr;
  QLineEdit* dy_ = nullptr;
  QPushButton* command1_ = nullptr;
  QPushButton* okButton_ = nullptr;
  QPushButton* cancelButton_ = nullptr;

  bool picking_ = false;
  QEventLoop* execLoop_ = nullptr;
  QPoint lastCursor_;
  CursorReader cursorReader_;
  SecondsClock clock_;
  WindowShower mainWindowShower_;
};

}  // namespace velmor

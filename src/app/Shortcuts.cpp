#include "app/Shortcuts.h"

#include <QAction>
#include <QEvent>
#include <QHelpEvent>
#include <QShortcut>
#include <QToolBar>
#include <QToolButton>
#include <QToolTip>

#include "app/Form1.h"
#include "view/CanvasWidget.h"

namespace velmor {

namespace {

QKeySequence Keys(QKeyCombination combination) {
  return QKeySequence(combination);
}

// Shows a widget's tooltip with its keys appended when the pointer rests on it.
class KeyTooltips : public QObject {
 public:
  KeyTooltips(QObject* parent) : QObject(parent) {}
  void Watch(QWidget* widget, QList<QKeySequence> keys) {
    if (!widget || keys.isEmpty()) return;
    keys_[widget] = std::move(keys);
    widget->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::ToolTip) return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    const auto found = keys_.find(widget);
    if (!widget || found == keys_.end() || widget->toolTip().isEmpty()) return false;
    const auto* help = static_cast<QHelpEvent*>(event);
    QToolTip::showText(help->globalPos(), TooltipWithKeys(widget->toolTip(), found->second),
                       widget);
    return true;
  }

 private:
  std::map<QWidget*, QList<QKeySequence>> keys_;
};

void Bind(Form1& form, const QList<QKeySequence>& keys, const std::function<void()>& command) {
  for (const QKeySequence& key : keys) {
    auto* shortcut = new QShortcut(key, &form);
    shortcut->setContext(Qt::WindowShortcut);
    QObject::connect(shortcut, &QShortcut::activated, &form, command);
  }
}

}  // namespace

QList<QKeySequence> ToolbarButtonKeys(int index) {
  switch (index) {
    case 2:
      return {Keys(Qt::CTRL | Qt::Key_O)};
    case 4:
      return {Keys(Qt::CTRL | Qt::Key_S)};
    case 7:
      return {Keys(Qt::CTRL | Qt::Key_Plus), Keys(Qt::CTRL | Qt::Key_Equal)};
    case 8:
      return {Keys(Qt::CTRL | Qt::Key_Minus)};
    case 9:
      return {Keys(Qt::CTRL | Qt::Key_0)};
    case 11:
      return {Keys(Qt::CTRL | Qt::Key_X)};
    case 12:
      return {Keys(Qt::CTRL | Qt::Key_C)};
    case 13:
      return {Keys(Qt::CTRL | Qt::Key_V)};
    case 19:
      return {Keys(Qt::CTRL | Qt::SHIFT | Qt::Key_C)};
    default:
      return {};
  }
}

QList<QKeySequence> UndoKeys() {
  return {Keys(Qt::CTRL | Qt::Key_Z)};
}

QList<QKeySequence> RedoKeys() {
  return {Keys(Qt::CTRL | Qt::Key_Y), Keys(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)};
}

QKeySequence CancelKey() {
  return Keys(Qt::Key_Escape);
}

QString TooltipWithKeys(const QString& tooltip, const QList<QKeySequence>& keys) {
  QStringList names;
  for (const QKeySequence& key : keys) names << key.toString(QKeySequence::NativeText);
  return names.isEmpty()
             ? tooltip
             : tooltip + QStringLiteral(" (") + names.join(QStringLiteral(", ")) + QLatin1Char(')');
}

void InstallShortcuts(Form1& form) {
  // The File menu shows its keys; those items own them, so the key runs the menu's handler.
  const std::pair<int, int> menuItems[] = {{0, 2}, {1, 4}, {4, 19}};
  for (const auto& [item, button] : menuItems)
    form.FileK.at(item)->setShortcuts(ToolbarButtonKeys(button));
  // The other toolbar keys click their buttons.
  for (int index : {7, 8, 9, 11, 12, 13})
    Bind(form, ToolbarButtonKeys(index), [&form, index] { form.Toolbar1_ButtonClick(index); });
  // A disabled button ignores the click, as it ignores the mouse.
  Bind(form, UndoKeys(), [&form] { form.UNDB->click(); });
  Bind(form, RedoKeys(), [&form] { form.RDOB->click(); });
  Bind(form, {CancelKey()}, [&form] { form.CancelPendingAction(); });

  // The viewport holds the keyboard at start and whenever the canvas is clicked, so that the keys
  // reach the window until the user clicks into a text box.
  form.Picture1->setFocusPolicy(Qt::ClickFocus);
  form.Picture2->setFocusPolicy(Qt::ClickFocus);
  form.Picture2->setFocusProxy(form.Picture1);
  form.Picture1->setFocus();

  auto* tips = new KeyTooltips(&form);
  for (const auto& [index, action] : form.Toolbar1Buttons)
    tips->Watch(form.Toolbar1->widgetForAction(action), ToolbarButtonKeys(index));
  tips->Watch(form.UNDB, UndoKeys());
  tips->Watch(form.RDOB, RedoKeys());
}

}  // namespace velmor

// The keyboard shortcuts of the main window. Each key does what its menu item or button does
// (the menu and toolbar keys through their error trap); the panel's text boxes keep their own
// editing keys, since a line edit claims those before a window shortcut sees them.
#pragma once

#include <QKeySequence>
#include <QList>
#include <QString>

namespace velmor {

class Form1;

// Keys of the toolbar buttons (by index), of UNDB and RDOB, and the menu items' shortcuts.
QList<QKeySequence> ToolbarButtonKeys(int index);
QList<QKeySequence> UndoKeys();
QList<QKeySequence> RedoKeys();
QKeySequence CancelKey();

// "開く (Ctrl+O)": a tooltip with the keys that reach the same command.
QString TooltipWithKeys(const QString& tooltip, const QList<QKeySequence>& keys);

// Binds every key on `form` and makes the tooltips of the toolbar buttons, UNDB and RDOB show
// their keys (their tooltip texts themselves stay as they are).
void InstallShortcuts(Form1& form);

}  // namespace velmor

// What the command line (or a second copy, handed over) asks of the running program, carried
// out through the same commands a user would pick: the open command for a file, the toolbar's
// capture and 矩形 for captures, the batch without showing the main window.
#pragma once

#include <QString>
#include <QTextStream>

#include "platform/InstanceHandOff.h"

namespace velmor {

class Form1;

// Carries the request out on `form` now, or as soon as a dialog, message or capture that is
// under way has ended.
void CarryOutRequest(Form1& form, const platform::LaunchRequest& request);

// The request of the program's own command line, once the main loop runs.
void CarryOutAfterStart(Form1& form, const platform::LaunchRequest& request);

// Takes the requests that later copies hand over, for as long as `form` lives.
void ListenForLaterCopies(Form1& form, const QString& key);

// The batch on `folder` with a main window that is never shown; VLM.INI is read, not written.
int RunBatch(const QString& settingsFolder, const QString& folder);

// Opens `path` as the open command does, with the file dialog answered by `path`.
void OpenAsOpenCommand(Form1& form, const QString& path);

// Runs the batch on `folder` with `form` not shown. Writes one line per file that could not be
// done and a summary to `out`, a folder that is not there to `err`; returns the exit code.
int RunBatchWithoutWindow(Form1& form, const QString& folder, QTextStream& out, QTextStream& err);

}  // namespace velmor

// The program's command line, in the usual form of desktop programs:
//   velmor [--capture screen|window|rect [--delay SECONDS]] [FILE]
//   velmor --batch FOLDER
//   velmor --help | --version
// It is read before the application object exists, so that --help and --version work without a
// display; Qt's own options (-platform, -display, -style...) are let through to Qt.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

#include "platform/InstanceHandOff.h"

namespace velmor {

struct CommandLine {
  bool exitNow = false;  // --help, --version or a mistake: print and end
  int exitCode = 0;
  QString standardOutput;
  QString standardError;
  platform::LaunchRequest request;  // a picture to open, a capture to start
  QString batchFolder;              // non-empty: the batch on this folder, without a window
};

// Exit codes beyond 0: a file the batch could not do, and a command line that makes no sense.
constexpr int kExitSkippedFiles = 1;
constexpr int kExitUsage = 2;

// `arguments` includes the program name first, as argv does; relative paths are taken from
// `workingFolder`.
CommandLine ParseCommandLine(const QStringList& arguments, const QString& workingFolder);

// main's part: reads argv, prints what is to be printed and returns the exit code when the
// program ends here. Otherwise fills `command`; a batch without a display runs offscreen.
std::optional<int> StartFromCommandLine(int argc, char** argv, CommandLine& command);

}  // namespace velmor

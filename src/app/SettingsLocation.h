// Where VLM.INI lives. A copy of the program in a folder its user may write (a build folder, a
// portable copy on a stick) keeps the file beside itself as it always did; an installed copy,
// whose folder belongs to the system, keeps it in the user's configuration folder instead.
#pragma once

#include <QString>

namespace velmor {

// The folder to hand to Form1 for the program that runs from `programFolder`.
QString SettingsFolderFor(const QString& programFolder);

// $XDG_CONFIG_HOME/Velmor, or ~/.config/Velmor when that variable is unset, empty or relative.
// The folder need not exist yet: the settings file and its folder are made at the first exit.
QString UserSettingsFolder();

// Whether the current user may create files in `folder` by its permission bits and the system
// agrees (read-only mounts, ACLs). The bits are asked even for root, so that a folder marked
// read-only is treated as one.
bool FolderWritableByUser(const QString& folder);

// The folders programs are installed into: never a place for one user's settings, even when
// that user (root) could write there.
bool IsSystemProgramFolder(const QString& folder);

}  // namespace velmor

// The settings file VLM.INI: one value per line for slots 1 to 100, lines ending in CR LF,
// strings in double quotes stored in CP932, numbers in decimal with a period, booleans as
// #TRUE# / #FALSE#, an empty slot as an empty line.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "core/settings/Settings.h"

namespace velmor {

// A settings file is read whole or not at all; one larger than this (a program-written file
// is about a kilobyte) is refused like an unreadable one, and so never replaced at exit.
inline constexpr size_t kSettingsFileReadLimit = size_t{16} << 20;

// The file's bytes: exactly 100 lines. A string that CP932 cannot hold in full, or that holds a
// double quote or a line break (which the format cannot escape), is written with '?' for the
// missing characters, ' for the quote and a blank for the break, so that no other slot can be
// shifted or cut; `lossy` (when given) tells whether that happened.
std::string SerializeSettings(const Settings& settings, bool* lossy = nullptr);

// Values in file order into slots 1, 2, 3 ...; values after the hundredth are ignored. The slots
// the program does not use keep the bytes they were read from (SerializeSettings writes those
// back unchanged); a slot set afterwards is written from its value. A value
// ends at a line end (CR LF, LF or CR) or at a comma outside double quotes; a comma that ends
// a line does not start another value. Blanks around an unquoted value are dropped.
//  "text"          string (CP932); a missing closing quote takes the rest of the line
//  #TRUE# #FALSE#  boolean
//  -5  70000       16-bit, else 32-bit integer, else double
//  2.5  1e3        double (also NaN, Infinity, -Infinity as written for such doubles)
//  other text      string
//  nothing         empty
Settings ParseSettings(std::string_view bytes);

// "VLM.INI" in `folder`.
std::string SettingsFilePath(const std::string& folder);

// Reads the whole file at `path` into `out`. A missing file (a first start) gives
// FreshSettings() and true; a file that exists but cannot be read whole (no permission, larger
// than kSettingsFileReadLimit, a folder, a FIFO or a device) gives empty settings, false and the
// reason in `error`; a FIFO is never waited on. Temporaries left in the folder by a save that
// was killed are removed first.
bool LoadSettingsFile(const std::string& path, Settings& out, std::string* error = nullptr);

// Writes all 100 slots through a temporary file, so that a failed save leaves the earlier file
// as it was. Returns false with the reason in `error` on failure.
bool SaveSettingsFile(const std::string& path, const Settings& settings,
                      std::string* error = nullptr);

}  // namespace velmor

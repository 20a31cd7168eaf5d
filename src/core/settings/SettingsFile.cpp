#include "core/settings/SettingsFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "core/base/Cp932.h"
#include "core/base/FileReplace.h"
#include "core/base/NumberRules.h"
#include "core/settings/FreshSettings.h"

namespace velmor {

namespace {

constexpr std::string_view kTrue = "#TRUE#";
constexpr std::string_view kFalse = "#FALSE#";

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

char AsciiLower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  return true;
}

// Decimal numbers with an exponent ("1e3", "-2.5E-2"); WholeNumber covers the plain ones.
std::optional<double> ExponentNumber(std::string_view token) {
  if (token.find_first_not_of("0123456789+-.eE") != std::string_view::npos) return std::nullopt;
  if (token.find_first_of("eE") == std::string_view::npos) return std::nullopt;
  if (!token.empty() && token.front() == '+') token.remove_prefix(1);
  double value = 0;
  const auto [end, ec] = std::from_chars(token.data(), token.data() + token.size(), value,
                                         std::chars_format::scientific);
  if (ec != std::errc() || end != token.data() + token.size()) return std::nullopt;
  return value;
}

std::optional<double> NonFinite(std::string_view token) {
  if (token == "NaN") return std::numeric_limits<double>::quiet_NaN();
  if (token == "Infinity") return std::numeric_limits<double>::infinity();
  if (token == "-Infinity") return -std::numeric_limits<double>::infinity();
  return std::nullopt;
}

TaggedValue NumberValue(std::string_view token, double value) {
  if (token.find_first_of(".eE") == std::string_view::npos) {
    if (const auto small = ToInt16(value)) return *small;
    if (const auto large = ToInt32(value)) return *large;
  }
  return value;
}

TaggedValue UnquotedValue(std::string_view token) {
  if (token.empty()) return {};
  if (EqualsIgnoringCase(token, kTrue)) return true;
  if (EqualsIgnoringCase(token, kFalse)) return false;
  if (const auto plain = WholeNumber(token)) return NumberValue(token, *plain);
  if (const auto scientific = ExponentNumber(token)) return NumberValue(token, *scientific);
  if (const auto special = NonFinite(token)) return *special;
  return Cp932ToUtf8(token);
}

// Splits one line (without its line end) into values; each goes to `take` with the bytes it
// was read from (from after the previous comma up to the next one or the line end).
template <typename Sink>
void ParseLine(std::string_view line, Sink&& take) {
  size_t pos = 0;
  do {
    const size_t start = pos;
    while (pos < line.size() && IsBlank(line[pos])) ++pos;
    size_t comma;
    TaggedValue value;
    if (pos < line.size() && line[pos] == '"') {
      const size_t close = line.find('"', pos + 1);
      const size_t textEnd = close == std::string_view::npos ? line.size() : close;
      value = Cp932ToUtf8(line.substr(pos + 1, textEnd - pos - 1));
      // Anything between the closing quote and the next comma belongs to no value.
      comma = close == std::string_view::npos ? std::string_view::npos : line.find(',', close);
    } else {
      comma = line.find(',', pos);
      const size_t tokenEnd = comma == std::string_view::npos ? line.size() : comma;
      value = UnquotedValue(TrimBlanks(line.substr(pos, tokenEnd - pos)));
    }
    const size_t end = comma == std::string_view::npos ? line.size() : comma;
    take(std::move(value), line.substr(start, end - start));
    if (comma == std::string_view::npos) return;
    pos = comma + 1;
  } while (pos < line.size());
}

std::string SerializeValue(const TaggedValue& value, bool& lossy) {
  return std::visit(
      [&lossy](const auto& x) -> std::string {
        using T = std::decay_t<decltype(x)>;
        if constexpr (std::is_same_v<T, std::monostate>) {
          return {};
        } else if constexpr (std::is_same_v<T, bool>) {
          return std::string(x ? kTrue : kFalse);
        } else if constexpr (std::is_same_v<T, std::string>) {
          bool unmapped = false;
          std::string bytes = Utf8ToCp932(x, &unmapped);
          // '"', CR and LF are never trail bytes in CP932, so a byte-wise scan is safe.
          for (char& c : bytes) {
            if (c != '"' && c != '\r' && c != '\n') continue;
            c = c == '"' ? '\'' : ' ';
            unmapped = true;
          }
          lossy = lossy || unmapped;
          return '"' + bytes + '"';
        } else if constexpr (std::is_same_v<T, float> || std::is_same_v<T, double>) {
          return FormatNumber(x);
        } else {
          return FormatInteger(x);
        }
      },
      value);
}

}  // namespace

std::string SerializeSettings(const Settings& settings, bool* lossy) {
  bool anyLossy = false;
  std::string out;
  out.reserve(static_cast<size_t>(Settings::kSlotCount) * 8);
  for (int slot = 1; slot <= Settings::kSlotCount; ++slot) {
    // A slot the program does not use goes back byte for byte, even where its text is no
    // valid CP932.
    if (const std::string* kept = settings.KeptBytes(slot))
      out += *kept;
    else
      out += SerializeValue(settings.Get(slot), anyLossy);
    out += "\r\n";
  }
  if (lossy) *lossy = anyLossy;
  return out;
}

Settings ParseSettings(std::string_view bytes) {
  Settings settings;
  int slot = 1;
  auto take = [&](TaggedValue value, std::string_view readFrom) {
    if (IsProgramSlot(slot))
      settings.Set(slot, std::move(value));
    else if (slot <= Settings::kSlotCount)
      settings.SetKeepingBytes(slot, std::move(value), std::string(readFrom));
    ++slot;
  };
  size_t pos = 0;
  while (pos < bytes.size() && slot <= Settings::kSlotCount) {
    size_t end = bytes.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) end = bytes.size();
    ParseLine(bytes.substr(pos, end - pos), take);
    pos = end;
    if (pos + 1 < bytes.size() && bytes[pos] == '\r' && bytes[pos + 1] == '\n')
      pos += 2;
    else if (pos < bytes.size())
      ++pos;
  }
  return settings;
}

std::string SettingsFilePath(const std::string& folder) {
  std::string path = folder;
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  if (path.empty()) return "VLM.INI";
  if (path != "/") path += '/';
  return path + "VLM.INI";
}

bool LoadSettingsFile(const std::string& path, Settings& out, std::string* error) {
  out = Settings{};
  const size_t slash = path.rfind('/');
  platform::RemoveStaleTemporaries(slash == std::string::npos ? "." : path.substr(0, slash + 1));
  // Without O_NONBLOCK a FIFO planted at the path would block the start until a writer came.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) {  // a first start
      out = FreshSettings();
      return true;
    }
    if (error) *error = "cannot open " + path + ": " + std::strerror(errno);
    return false;
  }
  auto refuse = [&](const std::string& why) {
    if (error) *error = why;
    ::close(fd);
    return false;
  };
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
    return refuse(path + " is not a regular file");
  if (static_cast<uint64_t>(info.st_size) > kSettingsFileReadLimit)
    return refuse(path + " is larger than a settings file can be");
  // Read to the end: a file read only in part would lose every slot after the cut at exit.
  std::string bytes(static_cast<size_t>(info.st_size) + 1, '\0');
  size_t filled = 0;
  while (true) {
    if (filled == bytes.size()) {
      if (bytes.size() > kSettingsFileReadLimit)
        return refuse(path + " is larger than a settings file can be");
      bytes.resize(std::min(bytes.size() * 2, kSettingsFileReadLimit + 1));
    }
    const ssize_t n = ::read(fd, bytes.data() + filled, bytes.size() - filled);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      return refuse("cannot read " + path + ": " + std::strerror(errno));
    }
    filled += static_cast<size_t>(n);
  }
  ::close(fd);
  bytes.resize(filled);
  out = ParseSettings(bytes);
  return true;
}

bool SaveSettingsFile(const std::string& path, const Settings& settings, std::string* error) {
  return platform::ReplaceFileContents(path, SerializeSettings(settings), error);
}

}  // namespace velmor

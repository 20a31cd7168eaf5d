#include "core/base/Cp932.h"

#include <iconv.h>

#include <cerrno>

namespace velmor {

namespace {

constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";  // U+FFFD

// One iconv descriptor per direction and thread: iconv_t carries shift state and must not be
// shared between threads, and opening one per call costs more than the conversion itself.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (Usable()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // iconv_open's failure value is (iconv_t)-1 by its contract.
  bool Usable() const {
    return cd_ != reinterpret_cast<iconv_t>(-1);  // NOLINT(performance-no-int-to-ptr)
  }
  iconv_t Get() const { return cd_; }

 private:
  iconv_t cd_;
};

iconv_t ToCp932() {
  thread_local Converter converter("CP932", "UTF-8");
  return converter.Usable() ? converter.Get() : nullptr;
}

iconv_t FromCp932() {
  thread_local Converter converter("UTF-8", "CP932");
  return converter.Usable() ? converter.Get() : nullptr;
}

// Length of the well-formed UTF-8 sequence at text[i], or 0 when the bytes there form none.
size_t Utf8SequenceLength(std::string_view text, size_t i) {
  const auto lead = static_cast<unsigned char>(text[i]);
  size_t length = 0;
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF)
    length = 2;
  else if (lead >= 0xE0 && lead <= 0xEF)
    length = 3;
  else if (lead >= 0xF0 && lead <= 0xF4)
    length = 4;
  else
    return 0;
  if (i + length > text.size()) return 0;
  for (size_t k = 1; k < length; ++k) {
    const auto c = static_cast<unsigned char>(text[i + k]);
    if (c < 0x80 || c > 0xBF) return 0;
  }
  return length;
}

// How far to step over input that iconv refused, at `input[i]`.
using SkipRule = size_t (*)(std::string_view input, size_t i);

size_t SkipUtf8Character(std::string_view input, size_t i) {
  const size_t length = Utf8SequenceLength(input, i);
  return length == 0 ? 1 : length;
}

size_t SkipOneByte(std::string_view, size_t) {
  return 1;
}

// Runs `cd` over the whole input; what it refuses is replaced by `replacement` and skipped.
std::string Convert(iconv_t cd, std::string_view input, std::string_view replacement, SkipRule skip,
                    bool* lossy) {
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  std::string out;
  out.reserve(input.size() * 3 / 2 + 16);
  size_t consumed = 0;
  char buffer[1024];
  while (consumed < input.size()) {
    char* inPtr = const_cast<char*>(input.data() + consumed);
    size_t inLeft = input.size() - consumed;
    char* outPtr = buffer;
    size_t outLeft = sizeof buffer;
    const size_t result = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    const int error = errno;
    out.append(buffer, static_cast<size_t>(outPtr - buffer));
    consumed = input.size() - inLeft;
    if (result != static_cast<size_t>(-1)) continue;
    if (error == E2BIG) continue;
    // EILSEQ: a refused character; EINVAL: a sequence cut off by the end of the input.
    if (lossy) *lossy = true;
    out.append(replacement);
    consumed = error == EINVAL ? input.size() : consumed + skip(input, consumed);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  char* outPtr = buffer;
  size_t outLeft = sizeof buffer;
  iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
  out.append(buffer, static_cast<size_t>(outPtr - buffer));
  return out;
}

// Without the glibc converter only ASCII survives.
std::string AsciiOnly(std::string_view input, std::string_view replacement, SkipRule skip,
                      bool* lossy) {
  std::string out;
  for (size_t i = 0; i < input.size();) {
    if (static_cast<unsigned char>(input[i]) < 0x80) {
      out.push_back(input[i++]);
      continue;
    }
    if (lossy) *lossy = true;
    out.append(replacement);
    i += skip(input, i);
  }
  return out;
}

}  // namespace

std::string Utf8ToCp932(std::string_view utf8, bool* lossy) {
  if (lossy) *lossy = false;
  if (iconv_t cd = ToCp932()) return Convert(cd, utf8, "?", SkipUtf8Character, lossy);
  return AsciiOnly(utf8, "?", SkipUtf8Character, lossy);
}

std::string Cp932ToUtf8(std::string_view cp932, bool* lossy) {
  if (lossy) *lossy = false;
  if (iconv_t cd = FromCp932())
    return Convert(cd, cp932, kReplacementCharacter, SkipOneByte, lossy);
  return AsciiOnly(cp932, kReplacementCharacter, SkipOneByte, lossy);
}

}  // namespace velmor

#include "core/batch/BatchNames.h"

#include <algorithm>

namespace velmor::batch {

namespace {

char UpperAscii(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string UpperAscii(std::string_view text) {
  std::string upper(text);
  std::transform(upper.begin(), upper.end(), upper.begin(), [](char c) { return UpperAscii(c); });
  return upper;
}

// Case-blind comparison of UTF-8 bytes: code point order with ASCII letters folded.
bool ListedBefore(const std::string& a, const std::string& b) {
  const auto ua = UpperAscii(a), ub = UpperAscii(b);
  if (ua != ub) return ua < ub;
  return a < b;
}

}  // namespace

bool IsAcceptedPictureName(std::string_view name) {
  const size_t dot = name.find('.');
  if (dot == std::string_view::npos || dot == 0) return false;
  return kAcceptedExtensions.find(UpperAscii(name.substr(dot))) != std::string_view::npos;
}

std::vector<std::string> AcceptedInListingOrder(const std::vector<std::string>& names) {
  std::vector<std::string> accepted;
  std::copy_if(names.begin(), names.end(), std::back_inserter(accepted),
               [](const std::string& name) { return IsAcceptedPictureName(name); });
  std::sort(accepted.begin(), accepted.end(), ListedBefore);
  return accepted;
}

std::vector<std::string> ProcessingOrder(const std::vector<std::string>& listed) {
  return {listed.rbegin(), listed.rend()};
}

std::string StampText(std::string_view name) {
  return std::string(name.substr(0, name.find('.')));
}

std::optional<OutputName> SplitOutputName(std::string_view name) {
  const size_t dash = name.find('-');
  if (dash == std::string_view::npos || dash == 0) return std::nullopt;
  if (dash + 1 == name.size() || name[dash + 1] == '.') return std::nullopt;
  return OutputName{std::string(name.substr(0, dash)), std::string(name.substr(dash + 1))};
}

}  // namespace velmor::batch

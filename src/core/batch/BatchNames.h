// The naming rules of the batch stamp: which files of the source folder it takes, in which order,
// and where each stamped copy goes. Names are UTF-8; every rule looks only at the ASCII
// characters ".", "-" and letters, which never occur inside a multi-byte UTF-8 sequence.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmor::batch {

// The fixed folder the batch works on, with its trailing separator.
#ifdef _WIN32
inline constexpr std::string_view kSourceFolder = "D:\\ゼンリン詳細図\\";
#else
inline constexpr std::string_view kSourceFolder = "/mnt/d/ゼンリン詳細図/";
#endif

inline constexpr std::string_view kAcceptedExtensions = ".BMP.JPG.JPEG.WMF.EMF.ICO.GIF.PNG";

// Whether the part of `name` from its first "." to the end occurs anywhere in
// kAcceptedExtensions, letters compared case-blind. A name without "." or starting with one is
// never accepted. Being a substring test, ".JPE" and ".G" pass, ".b.jpg" does not.
bool IsAcceptedPictureName(std::string_view name);

// The accepted names of a folder listing, in the order the listing is shown: by name, letters
// compared case-blind (ties by the exact name, so the order never depends on the file system).
std::vector<std::string> AcceptedInListingOrder(const std::vector<std::string>& names);

// The order the batch processes a listing in: the last file listed first.
std::vector<std::string> ProcessingOrder(const std::vector<std::string>& listed);

// The stamp text of a file: its name up to, not including, the first "." (all of it without).
std::string StampText(std::string_view name);

// Where the stamped copy of a file named P-R.E goes: sub-folder P (the text before the first
// "-") of the source folder, file name R.E with the extension unchanged.
struct OutputName {
  std::string SubFolder;
  std::string FileName;
  bool operator==(const OutputName&) const = default;
};

// Nothing for a name that gives no usable place: without "-", with "-" first (an empty prefix
// would put the copy among the sources) or with nothing before the extension after the "-"
// (the copy would be a nameless, hidden file).
std::optional<OutputName> SplitOutputName(std::string_view name);

}  // namespace velmor::batch

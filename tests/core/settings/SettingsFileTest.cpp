#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/settings/FreshSettings.h"
#include "core/settings/SettingsFile.h"

namespace velmor {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Lines(const std::string& bytes) {
  std::vector<std::string> lines;
  size_t pos = 0;
  for (size_t end; (end = bytes.find("\r\n", pos)) != std::string::npos; pos = end + 2)
    lines.push_back(bytes.substr(pos, end - pos));
  EXPECT_EQ(pos, bytes.size()) << "text after the last CR LF";
  return lines;
}

std::string Line(const Settings& settings, int slot) {
  return Lines(SerializeSettings(settings)).at(slot - 1);
}

// Settings as the program leaves them at exit, with a value of every type.
Settings ProgramSettings() {
  Settings s;
  s.Set(slot::kZoomStep, int16_t{25});
  s.Set(slot::kLineStyle, std::string("1点鎖線"));
  s.Set(slot::kPenWidth, 3.0);
  s.Set(slot::kFrontColor, int32_t{255 + 256 * 128});
  s.Set(slot::kFontName, std::string("ＭＳ Ｐゴシック"));
  s.Set(slot::kFontSize, 10.5f);
  s.Set(slot::kFontBold, true);
  s.Set(slot::kFontItalic, false);
  s.Set(slot::kBackColor, int32_t{16777215});
  s.Set(slot::kEllipseRatio, std::string("1.4"));
  s.Set(slot::kFillStyle, std::string("斜め１"));
  s.Set(slot::kArrowOn, int16_t{1});
  s.Set(slot::kParallelDistance, std::string());
  s.Set(slot::kWingAngle, 22.5);
  s.Set(slot::kWingLength, 0.1 + 0.2);
  s.Set(slot::kJpegQuality, 90.0);
  s.Set(slot::kCaptionPlacement, std::string("下"));
  s.Set(slot::kCaptureCX, -12.25);
  s.Set(1, int32_t{-2147483647 - 1});
  s.Set(2, int16_t{-5});
  s.Set(3, 1e300);
  s.Set(4, 0.1f);
  s.Set(5, std::string("ｷｬﾌﾟﾁｬ"));
  s.Set(100, std::string("last"));
  return s;
}

TEST(SerializeSettings, WritesOneLineForEachOfTheHundredSlots) {
  const std::string bytes = SerializeSettings(Settings{});
  EXPECT_EQ(bytes, [] {
    std::string expected;
    for (int i = 0; i < 100; ++i) expected += "\r\n";
    return expected;
  }());
  EXPECT_EQ(Lines(SerializeSettings(ProgramSettings())).size(), 100u);
}

TEST(SerializeSettings, WritesEachTypeInItsOwnForm) {
  Settings s = ProgramSettings();
  s.Set(slot::kPenWidth, 2.5);
  EXPECT_EQ(Line(s, slot::kZoomStep), "25");
  EXPECT_EQ(Line(s, slot::kPenWidth), "2.5");
  EXPECT_EQ(Line(s, slot::kFrontColor), "33023");
  EXPECT_EQ(Line(s, slot::kFontSize), "10.5");
  EXPECT_EQ(Line(s, slot::kFontBold), "#TRUE#");
  EXPECT_EQ(Line(s, slot::kFontItalic), "#FALSE#");
  EXPECT_EQ(Line(s, slot::kEllipseRatio), "\"1.4\"");
  EXPECT_EQ(Line(s, slot::kParallelDistance), "\"\"");
  EXPECT_EQ(Line(s, slot::kCaptureCX), "-12.25");
  EXPECT_EQ(Line(s, 1), "-2147483648");
  EXPECT_EQ(Line(s, 2), "-5");
  EXPECT_EQ(Line(s, 4), "0.1");
  EXPECT_EQ(Line(s, 6), "");
  EXPECT_EQ(Line(s, slot::kLineStyle), "\"1\x93_\x8D\xBD\x90\xFC\"");  // CP932, not UTF-8
  s.Set(7, 3.0);
  EXPECT_EQ(Line(s, 7), "3");
}

TEST(SerializeSettings, StoresPanelTextInTheWindowsCodePage) {
  Settings s;
  s.Set(1, std::string("実線 べた塗 ｷｬﾌﾟﾁｬ ―"));
  bool lossy = true;
  EXPECT_EQ(SerializeSettings(s, &lossy).substr(0, 25),
            "\"\x8E\xC0\x90\xFC \x82\xD7\x82\xBD\x93\x68 \xB7\xAC\xCC\xDF\xC1\xAC \x81\x5C\"\r\n");
  EXPECT_FALSE(lossy);
  EXPECT_EQ(ParseSettings(SerializeSettings(s)).Text(1), "実線 べた塗 ｷｬﾌﾟﾁｬ ―");
}

TEST(SerializeSettings, TextTheFormatCannotHoldNeverShiftsOtherSlots) {
  Settings s;
  s.Set(1, std::string("5\"mm, \"x"));
  s.Set(2, std::string("a\r\nb"));
  s.Set(3, std::string("線😀"));
  s.Set(4, int16_t{7});
  bool lossy = false;
  const std::string bytes = SerializeSettings(s, &lossy);
  EXPECT_TRUE(lossy);
  EXPECT_EQ(Lines(bytes).size(), 100u);
  const Settings back = ParseSettings(bytes);
  EXPECT_EQ(back.Text(1), "5'mm, 'x");
  EXPECT_EQ(back.Text(2), "a  b");
  EXPECT_EQ(back.Text(3), "線?");
  EXPECT_EQ(back.Get(4), TaggedValue(int16_t{7}));
  EXPECT_TRUE(IsEmpty(back.Get(5)));
}

TEST(ParseSettings, FileWrittenByTheProgramComesBackByteForByte) {
  const std::string first = SerializeSettings(ProgramSettings());
  const Settings read = ParseSettings(first);
  EXPECT_EQ(SerializeSettings(read), first);
  EXPECT_EQ(SerializeSettings(ParseSettings(SerializeSettings(read))), first);

  EXPECT_EQ(read.Get(slot::kZoomStep), TaggedValue(int16_t{25}));
  EXPECT_EQ(read.Get(slot::kFontBold), TaggedValue(true));
  EXPECT_EQ(read.Get(slot::kFontItalic), TaggedValue(false));
  EXPECT_EQ(read.Get(slot::kFontName), TaggedValue(std::string("ＭＳ Ｐゴシック")));
  EXPECT_EQ(read.Get(slot::kParallelDistance), TaggedValue(std::string()));
  EXPECT_EQ(read.Number(slot::kFontSize), 10.5);
  EXPECT_EQ(read.Number(slot::kWingLength), 0.1 + 0.2);
  EXPECT_EQ(read.Number(slot::kBackColor), 16777215);
  EXPECT_EQ(read.Number(1), -2147483648.0);
  EXPECT_EQ(read.Number(3), 1e300);
  EXPECT_TRUE(IsEmpty(read.Get(6)));
  EXPECT_EQ(read.Text(100), "last");
}

TEST(ParseSettings, PenWidthOfTwoAndAHalfStaysTwoAndAHalf) {
  Settings s;
  s.Set(slot::kPenWidth, 2.5);
  const Settings back = ParseSettings(SerializeSettings(s));
  EXPECT_EQ(back.Get(slot::kPenWidth), TaggedValue(2.5));
  EXPECT_EQ(Line(back, slot::kPenWidth), "2.5");
}

TEST(ParseSettings, ClassifiesUnquotedValues) {
  const Settings s = ParseSettings(
      "10\r\n70000\r\n2.5\r\n#TRUE#\r\n#false#\r\nabc def\r\n\r\n-5\r\n1e3\r\n4000000000\r\n"
      "\"12\"\r\n.5\r\nInfinity\r\n\x8E\xC0\x90\xFC\r\n");
  EXPECT_EQ(s.Get(1), TaggedValue(int16_t{10}));
  EXPECT_EQ(s.Get(2), TaggedValue(int32_t{70000}));
  EXPECT_EQ(s.Get(3), TaggedValue(2.5));
  EXPECT_EQ(s.Get(4), TaggedValue(true));
  EXPECT_EQ(s.Get(5), TaggedValue(false));
  EXPECT_EQ(s.Get(6), TaggedValue(std::string("abc def")));
  EXPECT_TRUE(IsEmpty(s.Get(7)));
  EXPECT_EQ(s.Get(8), TaggedValue(int16_t{-5}));
  EXPECT_EQ(s.Get(9), TaggedValue(1000.0));
  EXPECT_EQ(s.Get(10), TaggedValue(4000000000.0));
  EXPECT_EQ(s.Get(11), TaggedValue(std::string("12")));
  EXPECT_EQ(s.Get(12), TaggedValue(0.5));
  EXPECT_EQ(s.Number(13), std::numeric_limits<double>::infinity());
  EXPECT_EQ(s.Text(14), "実線");  // unquoted text is CP932 too
}

TEST(ParseSettings, ShortFileLeavesTheRestEmpty) {
  const Settings s = ParseSettings("1\r\n2\r\n3");
  EXPECT_EQ(s.Number(3), 3);
  for (int slot = 4; slot <= 100; ++slot) EXPECT_TRUE(IsEmpty(s.Get(slot))) << slot;
  EXPECT_EQ(ParseSettings(""), Settings{});
}

TEST(ParseSettings, ReadsAtMostAHundredValues) {
  std::string bytes;
  for (int i = 1; i <= 150; ++i) bytes += std::to_string(i) + "\r\n";
  const Settings s = ParseSettings(bytes);
  EXPECT_EQ(s.Number(1), 1);
  EXPECT_EQ(s.Number(100), 100);
  EXPECT_EQ(Lines(SerializeSettings(s)).size(), 100u);
  // Values after the hundredth on the same line are dropped too.
  const std::string ninety_nine_empty(99, '\n');
  const Settings t = ParseSettings(ninety_nine_empty + "7,8,9\n");
  EXPECT_EQ(t.Number(100), 7);
}

TEST(ParseSettings, CommasSeparateValuesOnlyOutsideQuotes) {
  const Settings s = ParseSettings("1,2,\"a,b\",  3  \r\n\"x\" junk,4\r\n5,\r\n,\r\n6,,7\r\n8");
  EXPECT_EQ(s.Number(1), 1);
  EXPECT_EQ(s.Number(2), 2);
  EXPECT_EQ(s.Text(3), "a,b");
  EXPECT_EQ(s.Get(4), TaggedValue(int16_t{3}));
  EXPECT_EQ(s.Text(5), "x");
  EXPECT_EQ(s.Number(6), 4);
  EXPECT_EQ(s.Number(7), 5);  // a comma that ends a line starts no value
  EXPECT_TRUE(IsEmpty(s.Get(8)));
  EXPECT_EQ(s.Number(9), 6);
  EXPECT_TRUE(IsEmpty(s.Get(10)));
  EXPECT_EQ(s.Number(11), 7);
  EXPECT_EQ(s.Number(12), 8);
}

TEST(ParseSettings, SkipsBlanksAroundUnquotedValuesButKeepsThemInQuotes) {
  const Settings s = ParseSettings("   \"  x \"\r\n\t 12 \t\r\n  abc  \r\n   \r\n\"a");
  EXPECT_EQ(s.Text(1), "  x ");
  EXPECT_EQ(s.Get(2), TaggedValue(int16_t{12}));
  EXPECT_EQ(s.Text(3), "abc");
  EXPECT_TRUE(IsEmpty(s.Get(4)));
  EXPECT_EQ(s.Text(5), "a");
}

TEST(ParseSettings, MissingClosingQuoteTakesTheRestOfTheLineOnly) {
  const Settings s = ParseSettings("\"abc, def \r\n5\r\n");
  EXPECT_EQ(s.Text(1), "abc, def ");
  EXPECT_EQ(s.Number(2), 5);
}

TEST(ParseSettings, AcceptsCrOnlyLfOnlyAndMixedLineEnds) {
  const Settings expected = ParseSettings("1\r\n\r\n\"a\"\r\n#TRUE#\r\n");
  EXPECT_EQ(ParseSettings("1\r\r\"a\"\r#TRUE#\r"), expected);
  EXPECT_EQ(ParseSettings("1\n\n\"a\"\n#TRUE#\n"), expected);
  EXPECT_EQ(ParseSettings("1\r\n\n\"a\"\r#TRUE#"), expected);
  // LF CR is two line ends, not one.
  EXPECT_EQ(ParseSettings("1\n\r\"a\"\n#TRUE#"), expected);
}

TEST(ParseSettings, UndecodableBytesDoNotStopTheRead) {
  const Settings s = ParseSettings("\"\x81 \xFF\"\r\n3\r\n");
  EXPECT_EQ(s.Text(1), "\uFFFD \uFFFD");
  EXPECT_EQ(s.Number(2), 3);
}

// Slots the program never uses go back exactly as they came, whatever they hold; slots it uses
// are written from their values.
TEST(ParseSettings, UnusedSlotsKeepTheirExactBytes) {
  std::vector<std::string> lines(Settings::kSlotCount);
  lines[0] = "\"\x81 \xFF\xFC\"";  // no valid CP932
  lines[1] = "0010";               // a number in a form the program would not write
  lines[2] = "  1.50  ";           // blanks around it
  lines[3] = "#true#";
  lines[4] = "\"open quote, and a comma";
  lines[5] = "\"closed\" and after";
  lines[6] = "\x82\xA0 unquoted \x80";
  lines[18] = "\"\xFF\"";  // slot 19, between used ones
  lines[99] = "1e3";
  lines[slot::kZoomStep - 1] = "0025";  // used: written as the program writes it
  lines[slot::kLineStyle - 1] = "\"\x8E\xC0\x90\xFC\"";
  std::string file;
  for (const std::string& line : lines) file += line + "\r\n";

  Settings read = ParseSettings(file);
  EXPECT_EQ(read.Number(2), 10);
  EXPECT_TRUE(read.Flag(4));
  EXPECT_EQ(read.Text(5), "open quote, and a comma");
  std::vector<std::string> written = Lines(SerializeSettings(read));
  for (int slot = 1; slot <= Settings::kSlotCount; ++slot) {
    if (slot == slot::kZoomStep) continue;
    EXPECT_EQ(written[slot - 1], lines[slot - 1]) << "slot " << slot;
  }
  EXPECT_EQ(written[slot::kZoomStep - 1], "25");

  // A value set in memory replaces the kept bytes.
  read.Set(2, std::string("new"));
  written = Lines(SerializeSettings(read));
  EXPECT_EQ(written[1], "\"new\"");
  EXPECT_EQ(written[0], lines[0]);

  // Values on one line split by commas each keep their own part of it.
  const Settings split = ParseSettings("\"\xFF\", 7 ,x\r\n");
  const std::vector<std::string> parts = Lines(SerializeSettings(split));
  EXPECT_EQ(parts[0], "\"\xFF\"");
  EXPECT_EQ(parts[1], " 7 ");
  EXPECT_EQ(parts[2], "x");
}

TEST(SettingsFilePath, AppendsTheFileNameToTheFolder) {
  EXPECT_EQ(SettingsFilePath("/opt/velmor"), "/opt/velmor/VLM.INI");
  EXPECT_EQ(SettingsFilePath("/opt/velmor/"), "/opt/velmor/VLM.INI");
  EXPECT_EQ(SettingsFilePath("/"), "/VLM.INI");
}

class SettingsFileOnDisc : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "velmor-settings-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
  }
  void TearDown() override { fs::remove_all(folder_); }

  static std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
  }
  static void Write(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
  }

  fs::path folder_;
};

TEST_F(SettingsFileOnDisc, SavedFileLoadsBackAndSavesIdentically) {
  const std::string path = SettingsFilePath(folder_.string());
  std::string error;
  ASSERT_TRUE(SaveSettingsFile(path, ProgramSettings(), &error)) << error;
  const std::string first = Read(path);
  EXPECT_EQ(first, SerializeSettings(ProgramSettings()));
  Settings loaded;
  ASSERT_TRUE(LoadSettingsFile(path, loaded));
  ASSERT_TRUE(SaveSettingsFile(path, loaded));
  EXPECT_EQ(Read(path), first);
  EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 1);
}

// A first start begins with usable values; an empty file still means every slot empty.
TEST_F(SettingsFileOnDisc, MissingFileGivesTheFreshSettingsAndAnEmptyFileNone) {
  Settings loaded;
  loaded.Set(1, int16_t{1});
  EXPECT_TRUE(LoadSettingsFile((folder_ / "VLM.INI").string(), loaded));
  EXPECT_EQ(loaded, FreshSettings());
  Write(folder_ / "VLM.INI", "");
  EXPECT_TRUE(LoadSettingsFile((folder_ / "VLM.INI").string(), loaded));
  EXPECT_EQ(loaded, Settings{});
}

TEST_F(SettingsFileOnDisc, UnreadablePathIsReportedNotTakenForEmpty) {
  Settings loaded;
  loaded.Set(1, int16_t{1});
  std::string error;
  EXPECT_FALSE(LoadSettingsFile(folder_.string(), loaded, &error));
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(loaded, Settings{});
}

// A file is read whole or not at all: one line of 2 MB costs no other slot, and a file beyond
// the bound is refused like an unreadable one (so the program leaves it as it is).
TEST_F(SettingsFileOnDisc, LongLineCostsNoOtherSlotAndOversizedFileIsRefused) {
  const fs::path path = folder_ / "VLM.INI";
  // Slot 1 carries the long line, the others what the program writes.
  std::vector<std::string> lines = Lines(SerializeSettings(ProgramSettings()));
  lines[0] = "\"" + std::string(2 << 20, 'x') + "\"";
  std::string bytes;
  for (const std::string& line : lines) bytes += line + "\r\n";
  Write(path, bytes);
  Settings loaded;
  ASSERT_TRUE(LoadSettingsFile(path.string(), loaded));
  EXPECT_EQ(loaded.Text(1).size(), size_t{2} << 20);
  const Settings expected = ParseSettings(SerializeSettings(ProgramSettings()));
  for (int slot = 2; slot <= Settings::kSlotCount; ++slot)
    EXPECT_EQ(loaded.Get(slot), expected.Get(slot)) << "slot " << slot;
  ASSERT_TRUE(SaveSettingsFile(path.string(), loaded));
  EXPECT_EQ(Read(path), bytes);

  Write(path, "42\r\n\"" + std::string(kSettingsFileReadLimit, 'x') + "\"\r\n7\r\n");
  loaded.Set(1, int16_t{1});
  std::string error;
  EXPECT_FALSE(LoadSettingsFile(path.string(), loaded, &error));
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(loaded, Settings{});
}

// A FIFO (or a device) at the path is not waited on: it is refused at once and left alone.
TEST_F(SettingsFileOnDisc, FifoIsRefusedWithoutWaiting) {
  const fs::path path = folder_ / "VLM.INI";
  ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
  ::alarm(20);  // a blocking open would end the test binary here rather than hang it
  Settings loaded;
  std::string error;
  EXPECT_FALSE(LoadSettingsFile(path.string(), loaded, &error));
  EXPECT_FALSE(LoadSettingsFile("/dev/zero", loaded, &error));
  ::alarm(0);
  EXPECT_FALSE(error.empty());
  EXPECT_TRUE(fs::is_fifo(path));
}

// What a settings write killed on its way left in the folder is gone at the next start.
TEST_F(SettingsFileOnDisc, LoadingRemovesTheTemporariesOfAKilledWrite) {
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  ::waitpid(child, nullptr, 0);  // its pid is now one that no process has
  const fs::path leftover = folder_ / ("VLM.INI.tmp-" + std::to_string(child) + "-0");
  const fs::path kept = folder_ / "notes.txt";
  Write(leftover, "half a file");
  Write(kept, "k");
  const time_t old = ::time(nullptr) - 3600;
  const timeval times[2] = {{old, 0}, {old, 0}};
  ASSERT_EQ(::utimes(leftover.c_str(), times), 0);
  Settings loaded;
  EXPECT_TRUE(LoadSettingsFile((folder_ / "VLM.INI").string(), loaded));
  EXPECT_FALSE(fs::exists(leftover));
  EXPECT_TRUE(fs::exists(kept));
}

TEST_F(SettingsFileOnDisc, SaveIntoMissingFolderFailsAndSaysWhy) {
  std::string error;
  EXPECT_FALSE(SaveSettingsFile((folder_ / "gone" / "VLM.INI").string(), Settings{}, &error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(fs::exists(folder_ / "gone"));
}

TEST_F(SettingsFileOnDisc, SaveOverADirectoryFailsAndLeavesItAlone) {
  const fs::path path = folder_ / "VLM.INI";
  fs::create_directory(path);
  Write(path / "keep", "k");
  EXPECT_FALSE(SaveSettingsFile(path.string(), ProgramSettings()));
  EXPECT_EQ(Read(path / "keep"), "k");
  EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 1);
}

// Exits 0 when the save fails with a reason while files may not grow beyond `limit` bytes.
[[noreturn]] void SaveWithFileSizeLimit(const std::string& path, rlim_t limit) {
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit size_limit{};
  size_limit.rlim_cur = size_limit.rlim_max = limit;
  setrlimit(RLIMIT_FSIZE, &size_limit);
  std::string error;
  const bool saved = SaveSettingsFile(path, ProgramSettings(), &error);
  std::exit(!saved && !error.empty() ? 0 : 1);
}

// A full disc (simulated by a file size limit, which binds root too) must not cost the user
// the settings saved last time.
TEST_F(SettingsFileOnDisc, FailedWriteKeepsThePreviousFile) {
  const std::string path = (folder_ / "VLM.INI").string();
  Settings old_settings;
  old_settings.Set(slot::kZoomStep, int16_t{30});
  ASSERT_TRUE(SaveSettingsFile(path, old_settings));
  const std::string before = Read(path);

  EXPECT_EXIT(SaveWithFileSizeLimit(path, 64), ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(Read(path), before);
  EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 1);
}

}  // namespace
}  // namespace velmor

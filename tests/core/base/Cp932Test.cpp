#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "core/base/Cp932.h"

namespace velmor {
namespace {

// "実線 べた塗 ｷｬﾌﾟﾁｬ ―" as Windows stores it.
const std::string kPanelTextUtf8 = "実線 べた塗 ｷｬﾌﾟﾁｬ ―";
const std::string kPanelTextCp932 =
    "\x8E\xC0\x90\xFC \x82\xD7\x82\xBD\x93\x68 \xB7\xAC\xCC\xDF\xC1\xAC \x81\x5C";

TEST(Cp932, JapaneseTextRoundTripsThroughItsWindowsBytes) {
  bool lossy = true;
  EXPECT_EQ(Utf8ToCp932(kPanelTextUtf8, &lossy), kPanelTextCp932);
  EXPECT_FALSE(lossy);
  lossy = true;
  EXPECT_EQ(Cp932ToUtf8(kPanelTextCp932, &lossy), kPanelTextUtf8);
  EXPECT_FALSE(lossy);
  // Characters Shift_JIS proper lacks but the Windows code page has.
  EXPECT_EQ(Cp932ToUtf8(Utf8ToCp932("～－∥①髙斜め１")), "～－∥①髙斜め１");
}

TEST(Cp932, CharactersOutsideTheCodePageBecomeQuestionMarks) {
  bool lossy = false;
  EXPECT_EQ(Utf8ToCp932("線😀x\xF0\x9F\x8E\x89", &lossy), "\x90\xFC?x?");
  EXPECT_TRUE(lossy);
  lossy = false;
  EXPECT_EQ(Utf8ToCp932("Ωé", &lossy), "\x83\xB6?");  // Greek yes, Latin accents no
  EXPECT_TRUE(lossy);
}

TEST(Cp932, BrokenUtf8IsReplacedNotPassedThrough) {
  bool lossy = false;
  EXPECT_EQ(Utf8ToCp932("a\xFF"
                        "b\xE5\xAE",
                        &lossy),
            "a?b?");
  EXPECT_TRUE(lossy);
}

TEST(Cp932, BytesThatFormNoCharacterBecomeReplacementCharacters) {
  bool lossy = false;
  // 0xFF is never used; 0x81 followed by a blank is a lead byte without its trail; a lead byte
  // at the very end is cut off.
  EXPECT_EQ(Cp932ToUtf8("a\xFF"
                        "b\x81 c\x8E",
                        &lossy),
            "a\uFFFDb\uFFFD c\uFFFD");
  EXPECT_TRUE(lossy);
}

TEST(Cp932, NulBytesAndLongTextsSurvive) {
  const std::string with_nul("a\0b", 3);
  EXPECT_EQ(Cp932ToUtf8(Utf8ToCp932(with_nul)), with_nul);
  std::string long_text;
  for (int i = 0; i < 5000; ++i) long_text += "ｷｬﾌﾟﾁｬ実線";
  EXPECT_EQ(Cp932ToUtf8(Utf8ToCp932(long_text)), long_text);
}

TEST(Cp932, ConvertsOnSeveralThreadsAtOnce) {
  std::vector<std::thread> threads;
  std::vector<int> failures(4, 0);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t, &failures] {
      for (int i = 0; i < 500; ++i) {
        if (Cp932ToUtf8(Utf8ToCp932(kPanelTextUtf8)) != kPanelTextUtf8) ++failures[t];
        if (Utf8ToCp932("😀") != "?") ++failures[t];
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(failures, std::vector<int>(4, 0));
}

}  // namespace
}  // namespace velmor

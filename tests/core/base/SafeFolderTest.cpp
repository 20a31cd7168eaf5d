// Writing into a folder others can write to: planted links, also ones swapped in while a write
// is under way, never carry the bytes out of it.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "core/base/SafeFolder.h"

namespace fs = std::filesystem;
using velmor::platform::SafeFolder;

namespace {

class SafeFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "velmor-safe-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    fs::create_directories(source_ = root_ / "source");
    fs::create_directories(elsewhere_ = root_ / "elsewhere");
    Write(elsewhere_ / "precious.txt", "the user's own file");
    Write(elsewhere_ / "123.jpg", "an older picture");
    before_ = Snapshot(elsewhere_);
  }
  void TearDown() override {
    // Nothing outside the source folder was created, changed or removed.
    EXPECT_EQ(Snapshot(elsewhere_), before_);
    fs::remove_all(root_);
  }

  static std::string Read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  static void Write(const fs::path& p, const std::string& text) {
    std::ofstream(p, std::ios::binary) << text;
  }
  // Every file under `dir` with its content (the content stands in for a checksum).
  static std::map<std::string, std::string> Snapshot(const fs::path& dir) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(dir))
      if (entry.is_regular_file()) files[entry.path().string()] = Read(entry.path());
    return files;
  }
  static size_t Entries(const fs::path& dir) {
    return static_cast<size_t>(std::distance(fs::directory_iterator(dir), {}));
  }

  fs::path root_, source_, elsewhere_;
  std::map<std::string, std::string> before_;
};

TEST_F(SafeFolderTest, MakesOrReusesARealSubfolderAndWritesIntoIt) {
  std::string reason;
  const SafeFolder source = SafeFolder::Open(source_.string(), &reason);
  ASSERT_TRUE(source.IsOpen()) << reason;
  const SafeFolder made = source.OpenSubfolder("ABC", &reason);
  ASSERT_TRUE(made.IsOpen()) << reason;
  EXPECT_TRUE(fs::is_directory(source_ / "ABC"));
  ASSERT_TRUE(made.WriteFile("123.jpg", "jpeg bytes", &reason)) << reason;
  EXPECT_EQ(Read(source_ / "ABC" / "123.jpg"), "jpeg bytes");

  // A second picture for the same folder reuses it and replaces an earlier output, keeping
  // its permissions; no temporary stays behind.
  ::chmod((source_ / "ABC" / "123.jpg").c_str(), 0600);
  const SafeFolder again = source.OpenSubfolder("ABC", &reason);
  ASSERT_TRUE(again.IsOpen()) << reason;
  ASSERT_TRUE(again.WriteFile("123.jpg", "newer", &reason)) << reason;
  EXPECT_EQ(Read(source_ / "ABC" / "123.jpg"), "newer");
  struct stat info {};
  ASSERT_EQ(::stat((source_ / "ABC" / "123.jpg").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0600u);
  EXPECT_EQ(Entries(source_ / "ABC"), 1u);

  // A temporary left by a write that was killed goes when the batch asks.
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  ::waitpid(child, nullptr, 0);
  const fs::path leftover = source_ / "ABC" / (".velmor.tmp-" + std::to_string(child) + "-0");
  Write(leftover, "half");
  const timeval old[2] = {{::time(nullptr) - 3600, 0}, {::time(nullptr) - 3600, 0}};
  ASSERT_EQ(::utimes(leftover.c_str(), old), 0);
  EXPECT_EQ(again.RemoveStaleTemporaries(), 1);
  EXPECT_EQ(Entries(source_ / "ABC"), 1u);
}

TEST_F(SafeFolderTest, PlantedLinksAreRefusedWithAReason) {
  const SafeFolder source = SafeFolder::Open(source_.string());
  ASSERT_TRUE(source.IsOpen());
  std::string reason;

  // The output sub-folder is a link to another folder.
  fs::create_directory_symlink(elsewhere_, source_ / "ABC");
  EXPECT_FALSE(source.OpenSubfolder("ABC", &reason).IsOpen());
  EXPECT_EQ(reason, "出力先 ABC はリンクなので使いません");

  // ... a link to a file, or a file.
  fs::create_symlink(elsewhere_ / "precious.txt", source_ / "GHI");
  EXPECT_FALSE(source.OpenSubfolder("GHI", &reason).IsOpen());
  EXPECT_EQ(reason, "出力先 GHI はリンクなので使いません");
  Write(source_ / "JKL", "plain file");
  EXPECT_FALSE(source.OpenSubfolder("JKL", &reason).IsOpen());
  EXPECT_EQ(reason, "出力先 JKL はフォルダではありません");

  // A name that would leave the source folder.
  for (const char* name : {"", ".", "..", "../elsewhere", "a/b"}) {
    EXPECT_FALSE(source.OpenSubfolder(name, &reason).IsOpen()) << name;
    EXPECT_NE(reason.find("フォルダ名になりません"), std::string::npos) << name;
  }

  // The output file is a link to a file the user can write, or a dangling one.
  const SafeFolder def = source.OpenSubfolder("DEF", &reason);
  ASSERT_TRUE(def.IsOpen()) << reason;
  fs::create_symlink(elsewhere_ / "precious.txt", source_ / "DEF" / "1.jpg");
  EXPECT_FALSE(def.WriteFile("1.jpg", "jpeg bytes", &reason));
  EXPECT_EQ(reason, "1.jpg はリンクなので上書きしません");
  fs::create_symlink(elsewhere_ / "new.jpg", source_ / "DEF" / "2.jpg");
  EXPECT_FALSE(def.WriteFile("2.jpg", "jpeg bytes", &reason));
  EXPECT_FALSE(fs::exists(elsewhere_ / "new.jpg"));

  // A folder at the output name is left alone.
  fs::create_directory(source_ / "DEF" / "3.jpg");
  EXPECT_FALSE(def.WriteFile("3.jpg", "jpeg bytes", &reason));
  EXPECT_EQ(reason, "3.jpg はファイルではないので上書きしません");
  EXPECT_FALSE(def.WriteFile("../x.jpg", "jpeg bytes", &reason));
  EXPECT_EQ(Entries(source_ / "DEF"), 3u);  // the two links and the folder, no temporary
}

// Between the check and the rename a link appears at the output name: the rename replaces
// the link itself, and its target keeps its bytes.
TEST_F(SafeFolderTest, LinkSwappedInAtTheFileNameIsReplacedNotFollowed) {
  const SafeFolder source = SafeFolder::Open(source_.string());
  const SafeFolder def = source.OpenSubfolder("DEF");
  ASSERT_TRUE(def.IsOpen());
  Write(source_ / "DEF" / "1.jpg", "earlier output");
  std::string reason;
  ASSERT_TRUE(def.WriteFile("1.jpg", "jpeg bytes", &reason, [&] {
    fs::remove(source_ / "DEF" / "1.jpg");
    fs::create_symlink(elsewhere_ / "precious.txt", source_ / "DEF" / "1.jpg");
  })) << reason;
  EXPECT_FALSE(fs::is_symlink(source_ / "DEF" / "1.jpg"));
  EXPECT_EQ(Read(source_ / "DEF" / "1.jpg"), "jpeg bytes");
}

// The checked folder is swapped for a link after it was opened: the write still goes into
// the folder that was checked, by its handle.
TEST_F(SafeFolderTest, FolderSwappedForALinkAfterTheCheckKeepsTheWriteInside) {
  const SafeFolder source = SafeFolder::Open(source_.string());
  const SafeFolder abc = source.OpenSubfolder("ABC");
  ASSERT_TRUE(abc.IsOpen());
  fs::rename(source_ / "ABC", source_ / "ABC-moved");
  fs::create_directory_symlink(elsewhere_, source_ / "ABC");
  std::string reason;
  ASSERT_TRUE(abc.WriteFile("123.jpg", "jpeg bytes", &reason)) << reason;
  EXPECT_EQ(Read(source_ / "ABC-moved" / "123.jpg"), "jpeg bytes");
  // ... and so does the next write through the same handle, while the swap stays refused.
  ASSERT_TRUE(abc.WriteFile("124.jpg", "more", &reason, [&] {
    fs::rename(source_ / "ABC-moved", source_ / "ABC-gone");
  })) << reason;
  EXPECT_EQ(Read(source_ / "ABC-gone" / "124.jpg"), "more");
  EXPECT_FALSE(source.OpenSubfolder("ABC", &reason).IsOpen());
}

}  // namespace

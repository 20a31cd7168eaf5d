#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utime.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/base/FileReplace.h"

namespace fs = std::filesystem;
using velmor::platform::RemoveStaleTemporaries;
using velmor::platform::ReplaceFileContents;

namespace {

class FileReplaceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("velmor-replace-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  static std::string Read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  static void Write(const fs::path& p, const std::string& text) {
    std::ofstream(p, std::ios::binary) << text;
  }
  // Nothing but the named entries is left in the folder (no temporary).
  size_t Entries() const {
    return static_cast<size_t>(std::distance(fs::directory_iterator(dir_), {}));
  }

  // A process id that no process has: a child that has already ended.
  static long DeadPid() {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return child;
  }
  static void Age(const fs::path& p, int seconds) {
    const utimbuf times{::time(nullptr) - seconds, ::time(nullptr) - seconds};
    ::utime(p.c_str(), &times);
  }

  fs::path dir_;
};

TEST_F(FileReplaceTest, ReplacesContentAndKeepsPermissions) {
  const fs::path file = dir_ / "picture.jpg";
  Write(file, "old content, longer than the new");
  ::chmod(file.c_str(), 0600);
  ASSERT_TRUE(ReplaceFileContents(file, "new"));
  EXPECT_EQ(Read(file), "new");
  struct stat info {};
  ASSERT_EQ(::stat(file.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0600u);
  EXPECT_EQ(Entries(), 1u);
}

TEST_F(FileReplaceTest, WritesThroughLinksAndKeepsThem) {
  fs::create_directories(dir_ / "real");
  const fs::path target = dir_ / "real" / "map.jpg";
  Write(target, "old");
  fs::create_symlink("real/map.jpg", dir_ / "relative");    // relative to the link's folder
  fs::create_symlink(dir_ / "relative", dir_ / "chained");  // a link to a link
  ASSERT_TRUE(ReplaceFileContents(dir_ / "chained", "new"));
  EXPECT_TRUE(fs::is_symlink(dir_ / "chained"));
  EXPECT_TRUE(fs::is_symlink(dir_ / "relative"));
  EXPECT_EQ(Read(target), "new");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_ / "real"), {}), 1);
}

TEST_F(FileReplaceTest, DanglingLinkCreatesTheFileItNames) {
  fs::create_symlink("missing.jpg", dir_ / "link");
  ASSERT_TRUE(ReplaceFileContents(dir_ / "link", "made"));
  EXPECT_TRUE(fs::is_symlink(dir_ / "link"));
  EXPECT_EQ(Read(dir_ / "missing.jpg"), "made");
}

TEST_F(FileReplaceTest, LinkLoopIsReplacedLikeAPlainName) {
  fs::create_symlink("b", dir_ / "a");
  fs::create_symlink("a", dir_ / "b");
  ASSERT_TRUE(ReplaceFileContents(dir_ / "a", "x"));
  EXPECT_FALSE(fs::is_symlink(dir_ / "a"));
  EXPECT_EQ(Read(dir_ / "a"), "x");
}

TEST_F(FileReplaceTest, FailureLeavesWhatWasThereAndNoTemporary) {
  // A folder where the file should go: the rename fails after the bytes were written.
  fs::create_directories(dir_ / "taken.jpg" / "inside");
  std::string error;
  EXPECT_FALSE(ReplaceFileContents(dir_ / "taken.jpg", "lost", &error));
  EXPECT_NE(error.find("taken.jpg"), std::string::npos);
  EXPECT_TRUE(fs::is_directory(dir_ / "taken.jpg" / "inside"));
  EXPECT_EQ(Entries(), 1u);

  // A link into a folder that does not exist: nothing can be created.
  fs::create_symlink("nowhere/x.jpg", dir_ / "link");
  EXPECT_FALSE(ReplaceFileContents(dir_ / "link", "lost", &error));
  EXPECT_TRUE(fs::is_symlink(dir_ / "link"));
  EXPECT_EQ(Entries(), 2u);
}

// The bytes of a name are kept as given; a name that lost bytes to decoding (U+FFFD) would
// save under a different name than the user's and is refused.
TEST_F(FileReplaceTest, NameBytesAreKeptAndDecodingLossIsRefused) {
  const std::string raw = "\x8C\xA9\xFF-map.jpg";  // CP932 and a stray byte, no UTF-8
  ASSERT_TRUE(ReplaceFileContents(dir_.string() + "/" + raw, "jpeg"));
  ASSERT_EQ(Entries(), 1u);
  EXPECT_EQ(fs::directory_iterator(dir_)->path().filename().string(), raw);

  std::string error;
  EXPECT_FALSE(
      ReplaceFileContents(dir_.string() + "/\xEF\xBF\xBD\xEF\xBF\xBD-map.jpg", "x", &error));
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(Entries(), 1u);
  EXPECT_EQ(Read(dir_.string() + "/" + raw), "jpeg");
}

// What a killed save left behind goes at the next save into the folder (and, through the
// settings file, at the next start); nothing a live copy may still be writing, nothing of
// another kind and nothing else goes.
TEST_F(FileReplaceTest, StaleTemporariesOfEndedCopiesAreRemoved) {
  const std::string dead = std::to_string(DeadPid());
  const std::string live = std::to_string(::getppid());
  const fs::path stale_new = dir_ / (".velmor.tmp-" + dead + "-0");
  const fs::path stale_old = dir_ / ("picture.jpg.tmp-" + dead + "-3");
  const fs::path fresh = dir_ / (".velmor.tmp-" + dead + "-1");
  const fs::path alive = dir_ / (".velmor.tmp-" + live + "-0");
  const fs::path link = dir_ / ("link.tmp-" + dead + "-0");
  const fs::path folder = dir_ / ("folder.tmp-" + dead + "-0");
  const fs::path other = dir_ / "notes.tmp-abc-1";
  for (const fs::path& p : {stale_new, stale_old, fresh, alive, other}) Write(p, "left");
  fs::create_symlink("picture.jpg", link);
  fs::create_directory(folder);
  for (const fs::path& p : {stale_new, stale_old, alive, other, folder}) Age(p, 3600);

  ASSERT_TRUE(ReplaceFileContents(dir_ / "picture.jpg", "jpeg"));
  EXPECT_FALSE(fs::exists(stale_new));
  EXPECT_FALSE(fs::exists(stale_old));
  for (const fs::path& p : {fresh, alive, other, folder}) EXPECT_TRUE(fs::exists(p)) << p;
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(Read(dir_ / "picture.jpg"), "jpeg");

  // Once the fresh one has aged, a sweep takes it too.
  Age(fresh, 3600);
  EXPECT_EQ(RemoveStaleTemporaries(dir_.string()), 1);
  EXPECT_FALSE(fs::exists(fresh));
}

}  // namespace

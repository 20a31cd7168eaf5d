#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/base/FileReplace.h"

namespace fs = std::filesystem;
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
  fs::create_symlink("real/map.jpg", dir_ / "relative");   // relative to the link's folder
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

}  // namespace

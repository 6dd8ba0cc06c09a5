#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "TempDir.h"
#include "store/CreateFolderPath.h"

using namespace vostrelle;
using vostrelle::test::TempDir;
namespace fs = std::filesystem;

TEST(CreateFolderPath, MakesEveryMissingLevelAndIsTrueAgainAtOnce) {
  TempDir dir;
  const std::string deep = dir.Path() + "/a/\x8E\x47\x92\x6B/c";  // 雑談 in the middle
  EXPECT_TRUE(CreateFolderPath(deep));
  EXPECT_TRUE(fs::is_directory(dir.Path() + "/a/雑談/c"));
  EXPECT_TRUE(CreateFolderPath(deep));
}

TEST(CreateFolderPath, RefusesFilesRelativeNamesAndTrailingSeparators) {
  TempDir dir;
  std::ofstream(dir.Path() + "/file") << "x";
  EXPECT_FALSE(CreateFolderPath(dir.Path() + "/file"));
  EXPECT_FALSE(CreateFolderPath(dir.Path() + "/file/sub"));
  EXPECT_FALSE(CreateFolderPath("vostrelle-no-such-relative-folder"));
  EXPECT_FALSE(fs::exists("vostrelle-no-such-relative-folder"));
  EXPECT_FALSE(CreateFolderPath(""));
  // The folders are made, but the last step asks for the same folder again.
  EXPECT_FALSE(CreateFolderPath(dir.Path() + "/x/y/"));
  EXPECT_TRUE(fs::is_directory(dir.Path() + "/x/y"));
}

// The real file operations, in a folder of the test's own.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "base/file_ops.h"
#include "stages/stage_file.h"

namespace dorvan {
namespace {

namespace fs = std::filesystem;

struct RealFiles : ::testing::Test {
  fs::path dir;
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "dorvan-files-XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    dir = tmpl;
  }
  void TearDown() override { fs::remove_all(dir); }
  std::string path(std::string_view name) const { return (dir / name).string(); }
  std::string slurp(std::string_view name) const {
    std::ifstream in(path(name), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  std::size_t entries() const { return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), {})); }
};

std::array<std::string_view, kTableSize> tableWith(std::string_view first) {
  std::array<std::string_view, kTableSize> t{};
  t[0] = first;
  return t;
}

TEST_F(RealFiles, SaveReplacesTheFileWholeAndReadsBack) {
  ASSERT_TRUE(writeStageFile(systemFileOps(), path("kademe1.txt"), tableWith("eski")).ok());
  ASSERT_TRUE(writeStageFile(systemFileOps(), path("kademe1.txt"), tableWith("Şimdi")).ok());
  EXPECT_EQ(slurp("kademe1.txt").size(), 105u);
  EXPECT_EQ(entries(), 1u) << "no temporary file left";
  StageValues values;
  ASSERT_EQ(readStageFile(systemFileOps(), path("kademe1.txt"), values).status, StageReadResult::Status::Ok);
  EXPECT_EQ(values[0], "Şimdi");
}

TEST_F(RealFiles, AFailingReplaceKeepsTheOldFileAndRemovesTheTemporaryOne) {
  // a folder where the stage file should be: the rename cannot put a file there
  fs::create_directory(path("kademe2.txt"));
  const StageWriteResult r = writeStageFile(systemFileOps(), path("kademe2.txt"), tableWith("yeni"));
  EXPECT_FALSE(r.ok());
  EXPECT_EQ(r.failedStep, SaveStep::Replace);
  EXPECT_TRUE(fs::is_directory(path("kademe2.txt")));
  EXPECT_EQ(entries(), 1u);
}

TEST_F(RealFiles, AMissingFolderFailsAtCreateAndSaysNotFound) {
  const StageWriteResult r = writeStageFile(systemFileOps(), path("yok/kademe3.txt"), tableWith("x"));
  EXPECT_EQ(r.failedStep, SaveStep::Create);
  EXPECT_EQ(r.file.error, FileError::NotFound);
}

TEST_F(RealFiles, MissingAndUnreadableFilesAreToldApart) {
  StageValues values;
  EXPECT_EQ(readStageFile(systemFileOps(), path("kademe4.txt"), values).status, StageReadResult::Status::NotFound);
  fs::create_directory(path("kademe5.txt"));
  const StageReadResult folder = readStageFile(systemFileOps(), path("kademe5.txt"), values);
  EXPECT_EQ(folder.status, StageReadResult::Status::Unreadable);
  EXPECT_EQ(folder.file.error, FileError::NotAFile);
}

TEST_F(RealFiles, APipeOrADeviceInPlaceOfAStageFileIsRefusedAtOnce) {
  ASSERT_EQ(mkfifo(path("kademe6.txt").c_str(), 0600), 0);
  StageValues values;
  // without a writer, opening a pipe for reading would wait forever
  const StageReadResult pipe = readStageFile(systemFileOps(), path("kademe6.txt"), values);
  EXPECT_EQ(pipe.status, StageReadResult::Status::Unreadable);
  EXPECT_EQ(pipe.file.error, FileError::NotAFile);
  fs::create_symlink("/dev/zero", path("kademe7.txt"));
  EXPECT_EQ(readStageFile(systemFileOps(), path("kademe7.txt"), values).file.error, FileError::NotAFile);
}

TEST_F(RealFiles, ReadWholeFileRefusesFilesPastItsLimit) {
  std::ofstream(path("fis_1.bmp"), std::ios::binary) << std::string(1000, 'x');
  std::vector<std::uint8_t> bytes;
  EXPECT_TRUE(readWholeFile(systemFileOps(), path("fis_1.bmp"), 1000, bytes).ok());
  EXPECT_EQ(bytes.size(), 1000u);
  EXPECT_FALSE(readWholeFile(systemFileOps(), path("fis_1.bmp"), 999, bytes).ok());
  EXPECT_TRUE(bytes.empty());
}

}  // namespace
}  // namespace dorvan

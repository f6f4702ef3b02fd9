// The stage file format: what is read from any file, what is written, and that a
// failing save never harms the file that was there.
#include <gtest/gtest.h>

#include <cstring>

#include "fakes.h"
#include "stages/stage_file.h"

namespace dorvan::test {
namespace {

std::string lines(int count, std::string_view end = "\r\n") {
  std::string out;
  for (int i = 1; i <= count; ++i) out += std::to_string(i) + std::string(end);
  return out;
}

struct Read {
  StageReadResult result;
  StageValues values;
};

Read readBytes(std::string bytes) {
  FakeFiles files;
  files.files["kademe1.txt"] = std::move(bytes);
  Read r;
  r.result = readStageFile(files, "kademe1.txt", r.values);
  EXPECT_EQ(files.openHandles, 0) << "the file is closed again";
  return r;
}

TEST(StageFileRead, FiftyLinesWithAnyLineEndGiveFiftyValuesInOrder) {
  for (std::string_view end : {"\r\n", "\n", "\r"}) {
    const Read r = readBytes(lines(50, end));
    ASSERT_EQ(r.result.status, StageReadResult::Status::Ok) << "line end " << int(end[0]);
    EXPECT_EQ(r.values[0], "1");
    EXPECT_EQ(r.values[5], "6");
    EXPECT_EQ(r.values[49], "50");
  }
  const Read mixed = readBytes("a\r\nb\nc\r\rd" + lines(46));
  ASSERT_EQ(mixed.result.status, StageReadResult::Status::Ok);
  EXPECT_EQ(mixed.values[2], "c");
  EXPECT_EQ(mixed.values[3], "") << "CR CR is two line ends";
  EXPECT_EQ(mixed.values[4], "d1");
}

TEST(StageFileRead, ALastValueWithoutLineEndCountsButAnEmptyTailDoesNot) {
  const Read r = readBytes(lines(49) + "23:59:59");
  ASSERT_EQ(r.result.status, StageReadResult::Status::Ok);
  EXPECT_EQ(r.values[49], "23:59:59");
  const Read shortFile = readBytes(lines(49));
  EXPECT_EQ(shortFile.result.status, StageReadResult::Status::TooShort);
  EXPECT_EQ(shortFile.result.lineCount, 49);
  EXPECT_EQ(readBytes("").result.lineCount, 0);
}

TEST(StageFileRead, LinesPastTheFiftiethAreIgnored) {
  const Read r = readBytes(lines(60));
  ASSERT_EQ(r.result.status, StageReadResult::Status::Ok);
  EXPECT_EQ(r.values[49], "50");
}

TEST(StageFileRead, ValuesAreTakenVerbatimCommasQuotesAndSpacesIncluded) {
  std::string file = "Lamba, salon\r\n  06.12.2026\r\n\"07:30:00\"\r\n" + lines(47);
  const Read r = readBytes(file);
  ASSERT_EQ(r.result.status, StageReadResult::Status::Ok);
  EXPECT_EQ(r.values[0], "Lamba, salon");
  EXPECT_EQ(r.values[1], "  06.12.20") << "cut to the date box's ten characters";
  EXPECT_EQ(r.values[2], "\"07:30:0");
  EXPECT_EQ(r.values[5], "3") << "nothing shifted";
}

TEST(StageFileRead, LongValuesAreCutToTheirBoxWhileRead) {
  const std::string longLine(100, 'x');
  std::string file;
  for (int i = 0; i < 50; ++i) file += longLine + "\r\n";
  const Read r = readBytes(file);
  ASSERT_EQ(r.result.status, StageReadResult::Status::Ok);
  EXPECT_EQ(r.values[0].size(), 29u);
  EXPECT_EQ(r.values[1].size(), 10u);
  EXPECT_EQ(r.values[2].size(), 8u);
  EXPECT_EQ(r.values[46].size(), 10u);
  EXPECT_EQ(r.values[49].size(), 8u);
}

TEST(StageFileRead, BytesDecodeAsTurkishAndEveryByteSurvives) {
  std::string file = "\xDE\x81\x9D\xFD\r\n" + lines(49);
  const Read r = readBytes(file);
  ASSERT_EQ(r.result.status, StageReadResult::Status::Ok);
  EXPECT_EQ(r.values[0], "Ş\xC2\x81\xC2\x9Dı");
  std::array<std::string_view, kTableSize> views;
  for (int i = 0; i < kTableSize; ++i) views[i] = r.values[i];
  std::string back;
  ASSERT_TRUE(encodeStageFile(views, back));
  EXPECT_EQ(back, file);
}

// A file of any size, made up as it is read.
class EndlessFile : public FakeFiles {
 public:
  EndlessFile(std::uint64_t size, char fill) : size_(size), fill_(fill) {}
  FileResult openRead(std::string_view, Handle& out) override {
    out = 1;
    return {};
  }
  FileResult read(Handle, std::uint8_t* buffer, std::size_t capacity, std::size_t& got) override {
    got = static_cast<std::size_t>(std::min<std::uint64_t>(capacity, size_ - pos_));
    for (std::size_t i = 0; i < got; ++i)
      buffer[i] = (fill_ == 'L' && (pos_ + i) % 3 == 2) ? '\n' : std::uint8_t(fill_);
    pos_ += got;
    largestRead = std::max(largestRead, capacity);
    return {};
  }
  void close(Handle) override {}
  std::uint64_t pos_ = 0;
  std::size_t largestRead = 0;

 private:
  std::uint64_t size_;
  char fill_;
};

TEST(StageFileRead, HugeFilesAreReadInBoundedMemory) {
  // one line of 200 MB: refused once it is past any stage file's size, read through a small buffer
  EndlessFile oneLine(200ull << 20, 'x');
  StageValues values;
  const StageReadResult r = readStageFile(oneLine, "kademe1.txt", values);
  EXPECT_EQ(r.status, StageReadResult::Status::Unreadable);
  EXPECT_EQ(r.file.error, FileError::TooLarge);
  EXPECT_LE(oneLine.pos_, kMaxStageFileBytes + (64u << 10));
  EXPECT_LE(oneLine.largestRead, 1u << 20);
  // fifty long lines whose end lies past the bound are refused the same way
  EndlessFile longLines(kMaxStageFileBytes * 2, 'x');
  EXPECT_EQ(readStageFile(longLines, "kademe1.txt", values).status, StageReadResult::Status::Unreadable);
  // millions of short lines: the fifty load, and reading stops at the bound
  EndlessFile manyLines(30'000'000, 'L');
  EXPECT_EQ(readStageFile(manyLines, "kademe1.txt", values).status, StageReadResult::Status::Ok);
  EXPECT_LE(manyLines.pos_, kMaxStageFileBytes + (64u << 10));
  EXPECT_EQ(values[49], "LL");
}

TEST(StageFileRead, MissingAndUnreadableFilesAreTold) {
  FakeFiles files;
  StageValues values;
  EXPECT_EQ(readStageFile(files, "kademe1.txt", values).status, StageReadResult::Status::NotFound);
  files.failOpen["kademe1.txt"] = {FileError::AccessDenied, 13};
  EXPECT_EQ(readStageFile(files, "kademe1.txt", values).status, StageReadResult::Status::Unreadable);
  files.failOpen.clear();
  files.files["kademe1.txt"] = lines(50);
  files.failRead = FileResult{FileError::Other, 5};
  EXPECT_EQ(readStageFile(files, "kademe1.txt", values).status, StageReadResult::Status::Unreadable);
  EXPECT_EQ(files.openHandles, 0);
}

std::array<std::string_view, kTableSize> emptyTable() { return {}; }

TEST(StageFileWrite, AnEmptyTableIsExactlyFiftyLineEnds) {
  std::string bytes;
  ASSERT_TRUE(encodeStageFile(emptyTable(), bytes));
  EXPECT_EQ(bytes.size(), 100u);
  for (std::size_t i = 0; i < bytes.size(); i += 2) EXPECT_EQ(bytes.substr(i, 2), "\r\n");
}

TEST(StageFileWrite, WritesOneLinePerValueInWindows1254) {
  auto table = emptyTable();
  table[0] = "Şofben";
  table[49] = "07:30:00";
  FakeFiles files;
  ASSERT_TRUE(writeStageFile(files, "kademe4.txt", table).ok());
  std::string got = files.files.at("kademe4.txt");
  EXPECT_EQ(got.size(), 6u + 8u + 100u);
  EXPECT_EQ(got.substr(0, 8),
            "\xDE"
            "ofben\r\n");
  EXPECT_EQ(got.substr(got.size() - 10), "07:30:00\r\n");
  EXPECT_FALSE(files.files.count(temporaryPathFor("kademe4.txt")));
  ASSERT_TRUE(writeStageFile(files, "kademe4.txt", table).ok());
  EXPECT_EQ(files.files.at("kademe4.txt"), got) << "two saves, same bytes";
}

struct FailingSave : ::testing::TestWithParam<SaveStep> {};

TEST_P(FailingSave, LeavesTheOldFileIntactAndNoTemporaryFile) {
  FakeFiles files;
  const std::string old = lines(50);
  files.files["kademe2.txt"] = old;
  const FileResult diskFull{FileError::DiskFull, 28};
  switch (GetParam()) {
    case SaveStep::Create: files.failCreate = diskFull; break;
    case SaveStep::Write: files.failWrite = diskFull; break;
    case SaveStep::Flush: files.failFlush = diskFull; break;
    case SaveStep::Replace: files.failReplace = diskFull; break;
    case SaveStep::Encode: break;
  }
  auto table = emptyTable();
  table[0] = GetParam() == SaveStep::Encode ? "ж" : "yeni";
  const StageWriteResult r = writeStageFile(files, "kademe2.txt", table);
  EXPECT_FALSE(r.ok());
  EXPECT_EQ(r.failedStep, GetParam());
  EXPECT_EQ(files.files.at("kademe2.txt"), old);
  EXPECT_EQ(files.files.size(), 1u) << "no temporary file is left";
  EXPECT_EQ(files.openHandles, 0);
}

std::string stepName(const ::testing::TestParamInfo<SaveStep>& step) {
  constexpr std::array<const char*, 5> kNames{"Encode", "Create", "Write", "Flush", "Replace"};
  return kNames[static_cast<std::size_t>(step.param)];
}

INSTANTIATE_TEST_SUITE_P(EachStep, FailingSave,
                         ::testing::Values(SaveStep::Encode, SaveStep::Create, SaveStep::Write, SaveStep::Flush,
                                           SaveStep::Replace),
                         stepName);

}  // namespace
}  // namespace dorvan::test

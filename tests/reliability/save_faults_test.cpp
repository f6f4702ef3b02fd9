// KAYDET with each step of the save failing in turn, through the whole form, both
// over the in-memory folder and over the real file system: the user is told which
// file could not be saved, the old file stays byte for byte, nothing is left behind
// and the program goes on so that the next save works.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <memory>
#include <optional>
#include <tuple>

#include "app/main_form.h"
#include "fakes.h"
#include "stages/stage_file.h"
#include "temp_folder.h"

namespace dorvan::reliability {
namespace {

using test::FakeClock;
using test::FakeFiles;
using test::FakeLibrary;
using test::FakeSlot;
using test::FakeView;

enum class Step { Create, Write, ShortWrite, Flush, Replace };
enum class Where { Memory, Disk };

// Passes everything on to another FileOps, failing the chosen step of the next save.
class FaultyFiles final : public FileOps {
 public:
  explicit FaultyFiles(FileOps& inner) : inner_(inner) {}

  std::optional<Step> failNext;
  bool failRemove = false;
  FileResult failure{FileError::DiskFull, 28};

  FileResult openRead(std::string_view path, Handle& out) override { return inner_.openRead(path, out); }
  FileResult read(Handle h, std::uint8_t* buffer, std::size_t capacity, std::size_t& got) override {
    return inner_.read(h, buffer, capacity, got);
  }
  void close(Handle h) override { inner_.close(h); }
  FileResult create(std::string_view path, Handle& out) override {
    return take(Step::Create) ? failure : inner_.create(path, out);
  }
  FileResult openAppend(std::string_view path, Handle& out, std::uint64_t& size) override {
    return inner_.openAppend(path, out, size);
  }
  FileResult write(Handle h, const std::uint8_t* data, std::size_t size) override {
    if (take(Step::Write)) return failure;
    if (take(Step::ShortWrite)) {
      // the disk filled up part of the way through
      if (FileResult r = inner_.write(h, data, size / 3); !r.ok()) return r;
      return failure;
    }
    return inner_.write(h, data, size);
  }
  FileResult flush(Handle h) override { return take(Step::Flush) ? failure : inner_.flush(h); }
  FileResult replace(std::string_view from, std::string_view to) override {
    return take(Step::Replace) ? failure : inner_.replace(from, to);
  }
  FileResult remove(std::string_view path) override {
    if (failRemove) return {FileError::AccessDenied, 13};
    return inner_.remove(path);
  }

 private:
  bool take(Step step) {
    if (failNext != step) return false;
    failNext.reset();
    return true;
  }
  FileOps& inner_;
};

std::string numberedStage(std::string_view prefix) {
  std::string out;
  for (int i = 1; i <= kTableSize; ++i) out += std::string(prefix) + std::to_string(i) + "\r\n";
  return out;
}

std::size_t openDescriptors() {
  std::size_t n = 0;
  if (DIR* d = opendir("/proc/self/fd")) {
    while (readdir(d)) ++n;
    closedir(d);
  }
  return n;
}

constexpr std::string_view kStage = "kademe2.txt";
constexpr std::string_view kButton = "Command34";

struct SaveFaults : ::testing::TestWithParam<std::tuple<Where, Step>> {
  FakeView view;
  FakeLibrary library;
  FakeSlot slot;
  FakeClock clock;
  FakeFiles memory;
  std::optional<TempFolder> folder;
  std::unique_ptr<FaultyFiles> files;
  std::unique_ptr<MainForm> form;
  const std::string old = numberedStage("eski");

  void SetUp() override {
    clock.set(test::at(2026, 12, 6, 7, 30, 0));
    if (onDisk()) folder.emplace();
    files = std::make_unique<FaultyFiles>(onDisk() ? systemFileOps() : static_cast<FileOps&>(memory));
    form = std::make_unique<MainForm>(view, library, slot, clock, *files);
    put(std::string(kStage), old);
    ASSERT_TRUE(form->Form_Load());
    press(kButton);
    ASSERT_EQ(errors(), 0u);
    type("Text1", "Şofben, banyo");
    type("Text35", "23:59:59");
  }

  bool onDisk() const { return std::get<Where>(GetParam()) == Where::Disk; }
  Step step() const { return std::get<Step>(GetParam()); }

  void put(const std::string& name, const std::string& bytes) {
    if (onDisk())
      writeBytes(folder->path() / name, bytes);
    else
      memory.files[name] = bytes;
  }
  // The journal, which every event writes, aside.
  std::map<std::string, std::string> folderNow() const {
    auto now = onDisk() ? listing(folder->path()) : memory.files;
    now.erase(std::string(kJournalFile));
    return now;
  }
  void press(std::string_view button) { form->click(controlId(button)); }
  void type(std::string_view box, std::string_view text) { form->form().acceptTyped(controlId(box), text); }
  std::string_view text(std::string_view box) { return form->form().text(controlId(box)); }
  std::size_t errors() const {
    std::size_t n = 0;
    for (const auto& m : view.messages) n += m.kind == MessageKind::Error;
    return n;
  }
  static std::string_view stepWords(Step s) {
    switch (s) {
      case Step::Create: return "oluşturulamadı";
      case Step::Write:
      case Step::ShortWrite: return "yazılamadı";
      case Step::Flush: return "diske aktarılamadı";
      case Step::Replace: return "yerine konamadı";
    }
    return "";
  }

  void expectToldAndNothingHarmed() {
    ASSERT_EQ(errors(), 1u) << "exactly one message for one failed save";
    const test::ShownMessage& m = view.messages.back();
    EXPECT_EQ(m.title, kMainWindow.caption);
    EXPECT_NE(m.text.find("\"kademe2.txt\""), std::string::npos) << m.text;
    EXPECT_NE(m.text.find("kaydedilemedi"), std::string::npos) << m.text;
    EXPECT_NE(m.text.find(stepWords(step())), std::string::npos) << m.text;
    EXPECT_NE(m.text.find("diskte yer kalmadı"), std::string::npos) << "says why: " << m.text;
    EXPECT_EQ(m.text.find(".tmp"), std::string::npos) << "the user never sees the temporary file";
    EXPECT_EQ(text("Text1"), "Şofben, banyo") << "what the user typed is still there";
    EXPECT_EQ(text("Text35"), "23:59:59");
    EXPECT_EQ(form->currentStage(), 2);
    EXPECT_FALSE(view.endedWith.has_value()) << "the program goes on";
  }

  void expectNextSaveWorks() {
    const std::size_t before = errors();
    press("Command27");
    EXPECT_EQ(errors(), before) << view.messages.back().text;
    const auto now = folderNow();
    ASSERT_EQ(now.size(), 1u) << "the next save leaves only the stage file";
    const std::string& saved = now.at(std::string(kStage));
    EXPECT_EQ(saved.substr(0, 15),
              "\xDE"
              "ofben, banyo\r\n");
    EXPECT_EQ(saved.substr(saved.size() - 10), "23:59:59\r\n");
    type("Text1", "");
    press(kButton);
    EXPECT_EQ(text("Text1"), "Şofben, banyo") << "and it loads back";
  }
};

TEST_P(SaveFaults, TheUserIsToldTheOldFileStaysAndTheNextSaveWorks) {
  const std::size_t descriptors = openDescriptors();
  files->failNext = step();
  press("Command27");
  EXPECT_FALSE(files->failNext.has_value()) << "the save reached the step that fails";
  expectToldAndNothingHarmed();
  EXPECT_EQ(folderNow(), (std::map<std::string, std::string>{{std::string(kStage), old}}))
      << "old file byte for byte, no temporary file";
  EXPECT_EQ(memory.openHandles, 0);
  EXPECT_EQ(openDescriptors(), descriptors) << "no file left open";
  expectNextSaveWorks();
}

// When even the clean-up fails, the temporary file stays: it must never stand in for
// the stage file, and the next save must get rid of it.
struct CleanUpFails : SaveFaults {};

TEST_P(CleanUpFails, ALeftoverTemporaryFileIsNeverLoadedAndTheNextSaveClearsIt) {
  files->failRemove = true;
  files->failNext = step();
  press("Command27");
  files->failRemove = false;
  expectToldAndNothingHarmed();
  const auto now = folderNow();
  EXPECT_EQ(now.at(std::string(kStage)), old);
  EXPECT_LE(now.size(), 2u);
  type("Text1", "");
  press(kButton);
  EXPECT_EQ(text("Text1"), "eski1") << "loading reads the stage file, never the leftover";
  type("Text1", "Şofben, banyo");
  type("Text35", "23:59:59");
  expectNextSaveWorks();
}

std::string nameOf(const ::testing::TestParamInfo<SaveFaults::ParamType>& info) {
  static constexpr std::array<const char*, 5> kSteps{"Create", "Write", "ShortWrite", "Flush", "Replace"};
  return std::string(std::get<Where>(info.param) == Where::Disk ? "Disk" : "Memory") +
         kSteps[static_cast<int>(std::get<Step>(info.param))];
}

// The form-level test of the stage buttons already fails Replace over the in-memory folder.
INSTANTIATE_TEST_SUITE_P(InMemory, SaveFaults,
                         ::testing::Combine(::testing::Values(Where::Memory),
                                            ::testing::Values(Step::Create, Step::Write, Step::ShortWrite,
                                                              Step::Flush)),
                         nameOf);
INSTANTIATE_TEST_SUITE_P(OnDisk, SaveFaults,
                         ::testing::Combine(::testing::Values(Where::Disk),
                                            ::testing::Values(Step::Create, Step::Write, Step::ShortWrite, Step::Flush,
                                                              Step::Replace)),
                         nameOf);
// A failed create leaves nothing to clean up.
INSTANTIATE_TEST_SUITE_P(AfterCreate, CleanUpFails,
                         ::testing::Combine(::testing::Values(Where::Memory, Where::Disk),
                                            ::testing::Values(Step::Write, Step::ShortWrite, Step::Flush,
                                                              Step::Replace)),
                         nameOf);

// A real short write, not a simulated one: the file-size limit lets the kernel take
// only the first bytes and then refuses the rest.
TEST(SaveOnDisk, AKernelRefusingTheRestOfTheFileLeavesTheOldFileWhole) {
  TempFolder folder;
  FakeView view;
  FakeLibrary library;
  FakeSlot slot;
  FakeClock clock;
  clock.set(test::at(2026, 12, 6, 7, 30, 0));
  MainForm form(view, library, slot, clock, systemFileOps());
  const std::string old = numberedStage("e");
  writeBytes(folder.path() / "kademe2.txt", old);
  ASSERT_TRUE(form.Form_Load());
  form.click(controlId("Command34"));
  for (ControlId box : kPositionToBox) form.form().acceptTyped(box, "0123456789abcdefghijklmnopqrstuvwxyz");

  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  rlimit small = saved;
  small.rlim_cur = 256;
  const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  form.click(controlId("Command27"));
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previousHandler);

  ASSERT_EQ(view.messages.back().kind, MessageKind::Error);
  EXPECT_NE(view.messages.back().text.find("\"kademe2.txt\" dosyası kaydedilemedi"), std::string::npos)
      << view.messages.back().text;
  auto now = listing(folder.path());
  now.erase(std::string(kJournalFile));
  EXPECT_EQ(now, (std::map<std::string, std::string>{{"kademe2.txt", old}}));
  form.click(controlId("Command27"));
  EXPECT_EQ(readBytes(folder.path() / "kademe2.txt").substr(0, 31), "0123456789abcdefghijklmnopqrs\r\n");
}

}  // namespace
}  // namespace dorvan::reliability

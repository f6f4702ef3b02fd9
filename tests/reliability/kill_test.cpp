// A save killed at any moment. A child process saves two different tables in turn
// with the real file operations, as fast as it can; the parent kills it with SIGKILL
// at random moments. After every kill the stage file must be the whole old table or
// the whole new one, never a mix, a truncation or nothing.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <thread>

#include "base/file_ops.h"
#include "stages/stage_file.h"
#include "temp_folder.h"

namespace dorvan::reliability {
namespace {

constexpr int kKills = 200;
constexpr std::string_view kStage = "kademe3.txt";

struct Tables {
  std::array<StageValues, 2> values;
  std::array<std::string, 2> bytes;
};

// Two tables that differ in every line and in length, so a mix of them shows.
Tables makeTables() {
  Tables t;
  for (int which = 0; which < 2; ++which) {
    std::array<std::string_view, kTableSize> views;
    for (int i = 0; i < kTableSize; ++i) {
      t.values[which][i] = (which == 0 ? "A" : "Şı") + std::to_string(i + 1);
      views[i] = t.values[which][i];
    }
    EXPECT_TRUE(encodeStageFile(views, t.bytes[which]));
  }
  return t;
}

// Shared with the child: which save it has begun and which it has finished.
struct Progress {
  std::atomic<long> begun{0};
  std::atomic<long> finished{0};
};

[[noreturn]] void saveForever(const Tables& tables, Progress& progress, long firstSave) {
  std::array<std::array<std::string_view, kTableSize>, 2> views;
  for (int w = 0; w < 2; ++w)
    for (int i = 0; i < kTableSize; ++i) views[w][i] = tables.values[w][i];
  for (long n = firstSave;; ++n) {
    progress.begun.store(n);
    if (!writeStageFile(systemFileOps(), kStage, views[n % 2]).ok()) _exit(3);
    progress.finished.store(n);
  }
}

struct KillFigures {
  int kills = 0;
  int killedMidSave = 0;
  int leftoverTemporary = 0;
  int leftoverTemporaryWhole = 0;
  long saves = 0;
};

TEST(KillDuringSave, TheStageFileIsAlwaysTheWholeOldOrTheWholeNewTable) {
  TempFolder folder("dorvan-kill");
  const Tables tables = makeTables();
  ASSERT_NE(tables.bytes[0], tables.bytes[1]);
  void* shared = mmap(nullptr, sizeof(Progress), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
  ASSERT_NE(shared, MAP_FAILED);
  auto* progress = new (shared) Progress;

  writeBytes(folder.path() / kStage, tables.bytes[0]);
  const std::filesystem::path stage = folder.path() / kStage;
  const std::filesystem::path temporary = folder.path() / temporaryPathFor(kStage);
  std::mt19937 random(20261206);
  std::uniform_int_distribution<int> delayUs(0, 20000);
  KillFigures figures;
  long lastSave = 0;
  const auto start = std::chrono::steady_clock::now();

  for (int k = 0; k < kKills; ++k) {
    const long firstSave = lastSave + 1;
    progress->begun.store(lastSave);
    progress->finished.store(lastSave);
    std::fflush(nullptr);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) saveForever(tables, *progress, firstSave);
    std::this_thread::sleep_for(std::chrono::microseconds(delayUs(random)));
    ASSERT_EQ(kill(child, SIGKILL), 0);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the child stopped by itself, status " << status;
    ++figures.kills;

    const long begun = progress->begun.load();
    const long finished = progress->finished.load();
    figures.saves += finished - lastSave;
    figures.killedMidSave += begun != finished;

    // Save n writes table n % 2; the file must hold the last finished save, or the
    // one under way if the kill fell after its replace.
    const std::string onDisk = readBytes(stage);
    const bool old = onDisk == tables.bytes[finished % 2];
    const bool fresh = begun != finished && onDisk == tables.bytes[begun % 2];
    ASSERT_TRUE(old || fresh) << "kill " << k << ": " << onDisk.size() << " bytes, saves " << finished << "/" << begun;
    StageValues values;
    ASSERT_EQ(readStageFile(systemFileOps(), kStage, values).status, StageReadResult::Status::Ok);
    ASSERT_EQ(values, tables.values[(fresh ? begun : finished) % 2]);
    lastSave = fresh ? begun : finished;

    if (std::filesystem::exists(temporary)) {
      ++figures.leftoverTemporary;
      const std::string left = readBytes(temporary);
      figures.leftoverTemporaryWhole += left == tables.bytes[0] || left == tables.bytes[1];
    }
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  munmap(shared, sizeof(Progress));

  std::printf(
      "kills %d, killed mid-save %d, saves completed %ld, data lost 0, temporary file left after %d kills "
      "(%d of them a whole table), %.1f s\n",
      figures.kills, figures.killedMidSave, figures.saves, figures.leftoverTemporary, figures.leftoverTemporaryWhole,
      seconds);
  EXPECT_EQ(figures.kills, kKills);
  EXPECT_GT(figures.saves, 0) << "the child must get some saves done between kills";
  EXPECT_GT(figures.killedMidSave, kKills / 2) << "most kills must land inside a save to mean anything";
}

}  // namespace
}  // namespace dorvan::reliability

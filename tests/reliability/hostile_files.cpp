// Stage files no one should have to load: random bytes, NUL bytes, a 1 GB sparse file,
// a single 100 MB line, ten million short lines, a folder, a named pipe, /dev/zero.
// Each case is loaded by pressing "KADEME 1" in a fresh process of its own over the real
// file operations; the table gives what the form did, the child's peak resident memory
// and the wall time. Memory is asserted, time is only reported: a case that has not
// finished in time (--timeout-s, or --endless-timeout-s for a pipe or a device that may
// never end) is killed and reported as such.
//
//   hostile_files [--max-rss-mb N] [--timeout-s S] [--endless-timeout-s S] [--only CASE]
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "fakes.h"
#include "temp_folder.h"

namespace dorvan::reliability {
namespace {

namespace fs = std::filesystem;
constexpr const char* kStage = "kademe1.txt";

// Writes `total` bytes made by `fill` in 1 MB pieces, so the parent stays small.
void writeGenerated(std::uint64_t total, const std::function<void(std::uint64_t offset, std::string& piece)>& fill) {
  const int fd = ::open(kStage, O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::string piece;
  for (std::uint64_t offset = 0; offset < total;) {
    piece.clear();
    fill(offset, piece);
    if (piece.size() > total - offset) piece.resize(static_cast<std::size_t>(total - offset));
    if (::write(fd, piece.data(), piece.size()) != static_cast<ssize_t>(piece.size())) std::exit(2);
    offset += piece.size();
  }
  ::close(fd);
}

struct Case {
  const char* name;
  const char* what;
  std::function<void()> make;
  bool endless = false;  // may never end by itself: given only a short while
};

std::vector<Case> cases() {
  constexpr std::uint64_t MB = 1u << 20;
  return {
      {"ordinary", "50 ordinary lines (the baseline)",
       [] {
         std::string t;
         for (int i = 1; i <= 50; ++i) t += "06.12.2026\r\n";
         writeBytes(kStage, t);
       }},
      {"random_8mb", "8 MB of random bytes",
       [] {
         std::mt19937_64 random(1254);
         writeGenerated(8 * MB, [&](std::uint64_t, std::string& p) {
           for (int i = 0; i < (1 << 20) / 8; ++i) {
             const std::uint64_t v = random();
             p.append(reinterpret_cast<const char*>(&v), 8);
           }
         });
       }},
      {"nul_lines", "50 lines of 40 NUL bytes each",
       [] {
         std::string t;
         for (int i = 0; i < 50; ++i) t += std::string(40, '\0') + "\r\n";
         writeBytes(kStage, t);
       }},
      {"sparse_1gb", "1 GB sparse file (ftruncate): one line of NUL bytes",
       [] {
         const int fd = ::open(kStage, O_WRONLY | O_CREAT | O_TRUNC, 0644);
         if (fd < 0 || ::ftruncate(fd, static_cast<off_t>(1024 * MB)) != 0) std::exit(2);
         ::close(fd);
       }},
      {"one_line_100mb", "a single 100 MB line, no line end",
       [] { writeGenerated(100 * MB, [](std::uint64_t, std::string& p) { p.assign(MB, 'x'); }); }},
      {"ten_million_lines", "10 million lines of 5 characters (70 MB)",
       [] {
         writeGenerated(70 * 1000 * 1000, [](std::uint64_t, std::string& p) {
           for (int i = 0; i < 100000; ++i) p += "12:00\r\n";
         });
       }},
      {"folder", "kademe1.txt is a folder", [] { fs::create_directory(kStage); }},
      {"named_pipe", "kademe1.txt is a named pipe no one writes to",
       [] {
         if (::mkfifo(kStage, 0644) != 0) std::exit(2);
       },
       true},
      {"dev_zero", "kademe1.txt is a link to /dev/zero", [] { fs::create_symlink("/dev/zero", kStage); }, true},
  };
}

// The peak resident memory of a live process since its exec, in kB.
long highWaterKb(const std::string& pid) {
  std::FILE* f = std::fopen(("/proc/" + pid + "/status").c_str(), "r");
  if (!f) return -1;
  char line[256];
  long kb = -1;
  while (std::fgets(line, sizeof line, f))
    if (std::sscanf(line, "VmHWM: %ld", &kb) == 1) break;
  std::fclose(f);
  return kb;
}

// In the child: press "KADEME 1" and say what the form did.
int loadStageOne() {
  test::FakeView view;
  test::FakeLibrary library;
  test::FakeSlot slot;
  test::FakeClock clock;
  clock.set(test::at(2026, 12, 6, 7, 30, 0));
  MainForm form(view, library, slot, clock, systemFileOps());
  if (!form.Form_Load()) return 2;
  form.click(controlId("Command25"));
  std::string outcome;
  if (view.messages.back().kind == MessageKind::Error) {
    const std::string& m = view.messages.back().text;
    outcome = "refused: " + m.substr(0, m.find('\n'));
  } else {
    const std::string_view first = form.form().text(kPositionToBox[0]);
    const std::string_view last = form.form().text(kPositionToBox[kTableSize - 1]);
    outcome =
        "loaded; line 1 " + std::to_string(first.size()) + " bytes, line 50 " + std::to_string(last.size()) + " bytes";
  }
  outcome += "\t" + std::to_string(highWaterKb("self"));
  std::fwrite(outcome.data(), 1, outcome.size(), stdout);
  return 0;
}

struct Measured {
  std::string outcome;
  long peakKb = 0;        // ru_maxrss: the child, counting its copy of this process before exec
  long highWaterKb = -1;  // VmHWM: the loading program alone
  double seconds = 0;
  bool finished = false;
};

Measured runInChild(const char* self, const char* name, int timeoutSeconds) {
  int out[2];
  if (pipe(out) != 0) std::exit(2);
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = fork();
  if (child == 0) {
    dup2(out[1], STDOUT_FILENO);
    close(out[0]);
    close(out[1]);
    execl(self, self, "--case", name, static_cast<char*>(nullptr));
    _exit(127);
  }
  close(out[1]);
  Measured m;
  pollfd p{out[0], POLLIN, 0};
  char buffer[512];
  const auto deadline = start + std::chrono::seconds(timeoutSeconds);
  for (;;) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
    const ssize_t n = read(out[0], buffer, sizeof buffer);
    if (n <= 0) {
      m.finished = true;
      break;
    }
    m.outcome.append(buffer, static_cast<std::size_t>(n));
  }
  if (!m.finished) {
    m.highWaterKb = highWaterKb(std::to_string(child));
    kill(child, SIGKILL);
  }
  close(out[0]);
  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  m.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  m.peakKb = usage.ru_maxrss;
  if (const auto tab = m.outcome.rfind('\t'); m.finished && tab != std::string::npos) {
    m.highWaterKb = std::atol(m.outcome.c_str() + tab + 1);
    m.outcome.resize(tab);
  }
  if (!m.finished)
    m.outcome = "did not finish in " + std::to_string(timeoutSeconds) + " s: killed";
  else if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    m.outcome += " (child failed, status " + std::to_string(status) + ")";
  return m;
}

std::string humanSize(const char* path) {
  struct stat st {};
  if (lstat(path, &st) != 0) return "-";
  if (S_ISDIR(st.st_mode)) return "folder";
  if (S_ISFIFO(st.st_mode)) return "pipe";
  if (S_ISLNK(st.st_mode)) return "link";
  char text[32];
  if (st.st_size >= (1 << 20))
    std::snprintf(text, sizeof text, "%lld MB", static_cast<long long>(st.st_size >> 20));
  else
    std::snprintf(text, sizeof text, "%lld B", static_cast<long long>(st.st_size));
  return text;
}

int runAll(const char* self, long maxRssMb, int timeoutSeconds, int endlessTimeoutSeconds, const std::string& only) {
  std::printf(
      "| case | file | outcome | peak RSS, ru_maxrss (MB) | VmHWM (MB) | wall (s) |\n"
      "|---|---|---|---|---|---|\n");
  bool within = true;
  for (const Case& c : cases()) {
    if (!only.empty() && only != c.name) continue;
    TempFolder folder("dorvan-hostile");
    c.make();
    const std::string size = humanSize(kStage);
    const Measured m = runInChild(self, c.name, c.endless ? endlessTimeoutSeconds : timeoutSeconds);
    const double peakMb = static_cast<double>(m.peakKb) / 1024.0;
    const bool ok = peakMb <= static_cast<double>(maxRssMb);
    within = within && ok;
    std::printf("| %s: %s | %s | %s | %.1f%s | %.1f | %.2f |\n", c.name, c.what, size.c_str(), m.outcome.c_str(),
                peakMb, ok ? "" : " OVER", static_cast<double>(m.highWaterKb) / 1024.0, m.seconds);
    std::fflush(stdout);
  }
  std::printf("\npeak RSS bound %ld MB: %s\n", maxRssMb, within ? "every case within" : "EXCEEDED");
  return within ? 0 : 1;
}

}  // namespace
}  // namespace dorvan::reliability

int main(int argc, char** argv) {
  long maxRssMb = 64;
  int timeoutSeconds = 60;
  int endlessTimeoutSeconds = 2;
  std::string only;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string flag = argv[i];
    if (flag == "--case") return dorvan::reliability::loadStageOne();
    if (flag == "--max-rss-mb")
      maxRssMb = std::atol(argv[i + 1]);
    else if (flag == "--timeout-s")
      timeoutSeconds = std::atoi(argv[i + 1]);
    else if (flag == "--endless-timeout-s")
      endlessTimeoutSeconds = std::atoi(argv[i + 1]);
    else if (flag == "--only")
      only = argv[i + 1];
  }
  signal(SIGPIPE, SIG_IGN);
  return dorvan::reliability::runAll("/proc/self/exe", maxRssMb, timeoutSeconds, endlessTimeoutSeconds, only);
}

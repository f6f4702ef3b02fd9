// The journal: one line for each thing that happened to the board and its ports,
// appended to gunluk.txt in the folder of the stage files, so that whoever finds the
// greenhouse cold can read afterwards what the switch did while nobody watched.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/clock.h"
#include "base/file_ops.h"
#include "hid/port_command.h"

namespace dorvan {

inline constexpr std::string_view kJournalFile = "gunluk.txt";
inline constexpr std::string_view kOlderJournalFile = "gunluk.1.txt";
// A line that would take the file past this starts a new one; the one before is kept
// under kOlderJournalFile, so the journal never takes more than twice this.
inline constexpr std::uint64_t kJournalBound = 1 << 20;

// The platform's own, so that Notepad and less both show lines.
#ifdef _WIN32
inline constexpr std::string_view kJournalLineEnd = "\r\n";
#else
inline constexpr std::string_view kJournalLineEnd = "\n";
#endif

// Why a port was switched; each has its own words in the journal.
enum class SwitchCause : std::uint8_t {
  Schedule,  // a tick, in the instant's own second
  Late,      // a late tick, for an instant in the seconds it skipped
  Resume,    // a start with a stage, for the port's latest past instant
  Hand,      // a double-click on the port's indicator
  Rearm,     // the board came back and was told its last command again
  Mqtt,      // a command from the MQTT broker
  Web,       // a request from the web page or its API; the journal names the address
};

namespace journal_events {

inline constexpr std::string_view kBoardPlugged = "KART TAKILDI";
inline constexpr std::string_view kBoardUnplugged = "KART ÇIKARILDI";
inline constexpr std::string_view kEnded = "DORVAN KAPANDI";

// "DORVAN AÇILDI", with ", KADEME 3" when started with a stage.
std::string started(int stage);
// "KADEME 2 YÜKLENDİ", with who asked when it came from elsewhere: "KADEME 2 YÜKLENDİ (mqtt)".
std::string stageLoaded(int stage, std::string_view by = {});
std::string stageSaved(int stage, std::string_view by = {});
// "UYARI: " and the message on one line.
std::string warning(std::string_view message);

std::string_view stateWord(PortState state);  // AÇIK, KAPALI
// "08.12.2026 07:30:00"
void appendDateTime(std::string& out, const LocalTime& t);
// "(çizelge)", or with the instant's own second: "(gecikmeli: 08.12.2026 09:12:01)", or
// with who asked: "(web 192.168.1.20)".
void appendCause(std::string& out, SwitchCause cause, WallSecond instant, std::string_view who = {});
// "PORT 03 AÇIK (çizelge)"
void appendPortEvent(std::string& out, int port, PortState state, SwitchCause cause, WallSecond instant,
                     std::string_view who = {});

}  // namespace journal_events

// Told of every line, as it is written to the file but without its line end, whether
// the write succeeded or not: the network passes the journal on.
class JournalListener {
 public:
  virtual void journalLine(std::string_view line) = 0;

 protected:
  ~JournalListener() = default;
};

class JournalProblems {
 public:
  virtual ~JournalProblems() = default;
  // Called at most once a run, with a message naming the file and the reason.
  virtual void journalFailed(std::string_view message) = 0;
};

// Each line is opened, written in one piece and closed again, so other programs can
// read the file at any time, a killed program leaves no half line, and a journal that
// becomes writable again simply goes on. A failure never stops the caller.
class Journal {
 public:
  Journal(FileOps& files, Clock& clock, JournalProblems& problems);

  // One line stamped with the clock's reading now.
  void record(std::string_view event);
  // One line stamped with this reading: a tick's own, so its lines show the second it showed.
  void record(const LocalTime& at, std::string_view event);
  void listen(JournalListener* listener) { listener_ = listener; }

 private:
  // line_ onto the end of the file, or of a fresh one when it would pass the bound.
  // Returns what to tell the user, empty when all went well.
  std::string appendLine();

  FileOps& files_;
  Clock& clock_;
  JournalProblems& problems_;
  JournalListener* listener_ = nullptr;
  std::string line_;
  // The file's length before a write that failed (a full disk) and may have left part
  // of its line: should the file have grown since, the next line first ends that part.
  std::optional<std::uint64_t> brokenAt_;
  bool told_ = false;
};

}  // namespace dorvan

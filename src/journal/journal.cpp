#include "journal/journal.h"

#include <array>

#include "form/messages.h"

namespace dorvan {
namespace journal_events {
namespace {

struct CauseWords {
  SwitchCause cause;
  std::string_view word;
  bool namesInstant;  // the instant's own second follows the word
};

constexpr std::array<CauseWords, 7> kCauseWords{{
    {SwitchCause::Schedule, "çizelge", false},
    {SwitchCause::Late, "gecikmeli", true},
    {SwitchCause::Resume, "açılış", true},
    {SwitchCause::Hand, "elle", false},
    {SwitchCause::Rearm, "yeniden", false},
    {SwitchCause::Mqtt, "mqtt", false},
    {SwitchCause::Web, "web", false},
}};

void appendTwoDigits(std::string& out, int v) {
  out += static_cast<char>('0' + v / 10 % 10);
  out += static_cast<char>('0' + v % 10);
}

std::string stageEvent(int stage, std::string_view what, std::string_view by) {
  std::string out = "KADEME " + std::to_string(stage) + " " + std::string(what);
  if (!by.empty()) out.append(" (").append(by).append(")");
  return out;
}

}  // namespace

std::string started(int stage) {
  std::string out = "DORVAN AÇILDI";
  if (stage != 0) out += ", KADEME " + std::to_string(stage);
  return out;
}

std::string stageLoaded(int stage, std::string_view by) { return stageEvent(stage, "YÜKLENDİ", by); }
std::string stageSaved(int stage, std::string_view by) { return stageEvent(stage, "KAYDEDİLDİ", by); }

std::string warning(std::string_view message) {
  std::string out = "UYARI: ";
  bool lineBreak = false;
  for (const char c : message) {
    if (c == '\r' || c == '\n') {
      lineBreak = true;
      continue;
    }
    if (lineBreak) out += ' ';
    lineBreak = false;
    out += c;
  }
  return out;
}

std::string_view stateWord(PortState state) { return state == PortState::On ? "AÇIK" : "KAPALI"; }

void appendDateTime(std::string& out, const LocalTime& t) {
  const DateText date = formatDate(t);
  const TimeText time = formatTime(t);
  out.append(date.data(), date.size());
  out += ' ';
  out.append(time.data(), time.size());
}

void appendCause(std::string& out, SwitchCause cause, WallSecond instant, std::string_view who) {
  for (const CauseWords& c : kCauseWords) {
    if (c.cause != cause) continue;
    out += '(';
    out += c.word;
    if (c.namesInstant) {
      out += ": ";
      appendDateTime(out, localTimeOf(instant));
    }
    if (!who.empty()) {
      out += ' ';
      out += who;
    }
    out += ')';
  }
}

void appendPortEvent(std::string& out, int port, PortState state, SwitchCause cause, WallSecond instant,
                     std::string_view who) {
  out += "PORT ";
  appendTwoDigits(out, port);
  out += ' ';
  out += stateWord(state);
  out += ' ';
  appendCause(out, cause, instant, who);
}

}  // namespace journal_events

// Room for the longest port line at the start: no tick that journals allocates.
constexpr std::size_t kLineRoom = 128;

Journal::Journal(FileOps& files, Clock& clock, JournalProblems& problems)
    : files_(files), clock_(clock), problems_(problems) {
  line_.reserve(kLineRoom);
}

void Journal::record(std::string_view event) { record(clock_.now(), event); }

void Journal::record(const LocalTime& at, std::string_view event) {
  line_.clear();
  journal_events::appendDateTime(line_, at);
  line_ += ' ';
  line_ += event;
  const std::size_t length = line_.size();
  line_ += kJournalLineEnd;
  const std::string problem = appendLine();
  // appendLine may have put the end of a broken line in front.
  if (listener_)
    listener_->journalLine(std::string_view(line_).substr(line_.size() - kJournalLineEnd.size() - length, length));
  if (problem.empty() || told_) return;
  told_ = true;
  // Last: the listener may well journal what it shows.
  problems_.journalFailed(problem);
}

std::string Journal::appendLine() {
  FileOps::Handle h{};
  std::uint64_t size = 0;
  FileResult r = files_.openAppend(kJournalFile, h, size);
  if (!r.ok()) return messages::journalUnwritable(kJournalFile, r);
  std::string problem;
  if (size > 0 && size + line_.size() > kJournalBound) {
    files_.close(h);
    // Should the older name be taken (locked, say), the lines go on in the same file: none is lost.
    if (const FileResult moved = files_.replace(kJournalFile, kOlderJournalFile); !moved.ok())
      problem = messages::journalNotRotated(kJournalFile, kOlderJournalFile, moved);
    r = files_.openAppend(kJournalFile, h, size);
    if (!r.ok()) return messages::journalUnwritable(kJournalFile, r);
  }
  if (brokenAt_ && size > *brokenAt_) line_.insert(0, kJournalLineEnd);
  brokenAt_.reset();
  r = files_.write(h, reinterpret_cast<const std::uint8_t*>(line_.data()), line_.size());
  files_.close(h);
  if (!r.ok()) {
    brokenAt_ = size;
    return messages::journalUnwritable(kJournalFile, r);
  }
  return problem;
}

}  // namespace dorvan

#include "app/web/journal_tail.h"

#include <algorithm>
#include <utility>

#include "journal/journal.h"

namespace dorvan::web {

void JournalTail::keep(std::string line) {
  lines_.push_back(std::move(line));
  if (lines_.size() > kMaxJournalLines) lines_.pop_front();
}

namespace {

// Each line of the file, without its line end.
template <class Take>
void readLines(FileOps& files, std::string_view path, Take take) {
  std::string current;
  readChunks(files, path, [&](const std::uint8_t* data, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
      const char c = static_cast<char>(data[i]);
      if (c == '\n') {
        take(current);
        current.clear();
      } else if (c != '\r') {
        current.push_back(c);
      }
    }
    return true;
  });
  if (!current.empty()) take(current);
}

}  // namespace

void JournalTail::load(FileOps& files) {
  lines_.clear();
  history_ = {};
  readLines(files, kOlderJournalFile, [&](const std::string& line) { history_.take(line); });
  readLines(files, kJournalFile, [&](const std::string& line) {
    history_.take(line);
    keep(line);
  });
}

void JournalTail::journalLine(std::string_view line) {
  history_.take(line);
  keep(std::string(line));
}

std::string JournalTail::last(std::size_t count) const {
  std::string out;
  const std::size_t skip = lines_.size() - std::min(count, lines_.size());
  for (auto it = lines_.begin() + static_cast<std::ptrdiff_t>(skip); it != lines_.end(); ++it)
    out.append(*it).push_back('\n');
  return out;
}

}  // namespace dorvan::web

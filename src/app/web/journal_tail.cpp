#include "app/web/journal_tail.h"

#include <algorithm>
#include <utility>

#include "journal/journal.h"

namespace dorvan::web {

void JournalTail::keep(std::string line) {
  lines_.push_back(std::move(line));
  if (lines_.size() > kMaxJournalLines) lines_.pop_front();
}

void JournalTail::load(FileOps& files) {
  lines_.clear();
  std::string current;
  readChunks(files, kJournalFile, [&](const std::uint8_t* data, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
      const char c = static_cast<char>(data[i]);
      if (c == '\n')
        keep(std::exchange(current, {}));
      else if (c != '\r')
        current.push_back(c);
    }
    return true;
  });
  if (!current.empty()) keep(std::move(current));
}

void JournalTail::journalLine(std::string_view line) { keep(std::string(line)); }

std::string JournalTail::last(std::size_t count) const {
  std::string out;
  const std::size_t skip = lines_.size() - std::min(count, lines_.size());
  for (auto it = lines_.begin() + static_cast<std::ptrdiff_t>(skip); it != lines_.end(); ++it)
    out.append(*it).push_back('\n');
  return out;
}

}  // namespace dorvan::web

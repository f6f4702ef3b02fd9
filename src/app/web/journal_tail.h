// The journal for the page: its last lines, and when each port was on. Read from the
// files once when the page starts, then followed line by line as they are written, so
// that a page asking every second costs no reading of a file of up to 1 MiB. Touched on
// the UI thread alone.
#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <string_view>

#include "app/form_observer.h"
#include "base/file_ops.h"
#include "journal/switch_history.h"

namespace dorvan::web {

inline constexpr std::size_t kMaxJournalLines = 1000;

class JournalTail final : public FormObserver {
 public:
  // The file's last lines, in place of whatever was kept; the older file's lines too
  // for the history, which reaches back further than the last lines do.
  void load(FileOps& files);
  void journalLine(std::string_view line) override;
  // The last `count` lines, each with "\n".
  std::string last(std::size_t count) const;
  const SwitchHistory& history() const { return history_; }

 private:
  void keep(std::string line);

  std::deque<std::string> lines_;
  SwitchHistory history_;
};

}  // namespace dorvan::web

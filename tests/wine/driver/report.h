// The driver's own small reporting layer: a case is a named behaviour holding any
// number of checks; it prints one PASS or FAIL line (with the failed checks under
// it) and the run ends with "N passed, M failed".
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace wine_test {

// Thrown when a case cannot go on (a window never appeared); the group stops too.
struct Abort {
  std::string why;
};

class Case {
 public:
  explicit Case(std::string name) : name_(std::move(name)) {}

  // Records a failure unless ok; returns ok so callers can skip what depends on it.
  bool expect(bool ok, const std::string& what);
  // Like expect, but the case and its group cannot go on without it.
  void require(bool ok, const std::string& what);
  void note(const std::string& line) { notes_.push_back(line); }

  const std::string& name() const { return name_; }
  bool passed() const { return failures_.empty(); }
  const std::vector<std::string>& failures() const { return failures_; }
  const std::vector<std::string>& notes() const { return notes_; }

 private:
  std::string name_;
  std::vector<std::string> failures_;
  std::vector<std::string> notes_;
};

class Report {
 public:
  // Runs one case; false when it failed. An Abort also fails it and is rethrown so
  // that the group ends.
  bool run(const std::string& group, const std::string& name, const std::function<void(Case&)>& body);
  // The group could not even start its first case.
  void groupAborted(const std::string& group, const std::string& why);

  int passed() const { return passed_; }
  int failed() const { return failed_; }
  void printSummary() const;

 private:
  void print(const std::string& group, const Case& c);

  int passed_ = 0;
  int failed_ = 0;
};

}  // namespace wine_test

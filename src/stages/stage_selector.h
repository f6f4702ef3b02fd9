// The seven stage buttons and KAYDET.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "base/file_ops.h"
#include "form/form_state.h"
#include "journal/journal.h"
#include "stages/stage_file.h"

namespace dorvan {

struct StageButton {
  int stage;
  std::string_view button;
  std::string_view file;
};

// In stage order, which is the order the buttons are recoloured in.
inline constexpr std::array<StageButton, 7> kStageButtons{{
    {1, "Command25", "kademe1.txt"},
    {2, "Command34", "kademe2.txt"},
    {3, "Command33", "kademe3.txt"},
    {4, "Command32", "kademe4.txt"},
    {5, "Command31", "kademe5.txt"},
    {6, "Command29", "kademe6.txt"},
    {7, "Command28", "kademe7.txt"},
}};

class ErrorReporter {
 public:
  virtual ~ErrorReporter() = default;
  virtual void showError(std::string_view text) = 0;
};

// Told when another stage becomes the current one.
class StageListener {
 public:
  virtual void stageChanged(int stage) = 0;

 protected:
  ~StageListener() = default;
};

class StageSelector {
 public:
  StageSelector(FormState& form, FileOps& files, ErrorReporter& errors, Journal& journal);

  // A stage button: mark it, make its stage current, load its file into the boxes.
  // `by` names who pressed it from elsewhere, for the journal ("mqtt", "web 192.168.1.20").
  void pressStageButton(int stage, std::string_view by = {});
  // KAYDET: the boxes as they are now into the current stage's file.
  void saveCurrentStage(std::string_view by = {});
  void listen(StageListener* listener) { listener_ = listener; }

  std::uint8_t currentStage() const { return currentStage_; }

 private:
  void markStage(int stage);

  FormState& form_;
  FileOps& files_;
  ErrorReporter& errors_;
  Journal& journal_;
  StageListener* listener_ = nullptr;
  std::uint8_t currentStage_ = 0;
  StageValues stageBuffer_;
};

}  // namespace dorvan

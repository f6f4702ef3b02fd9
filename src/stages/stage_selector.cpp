#include "stages/stage_selector.h"

#include "form/messages.h"
#include "stages/schedule_table.h"
#include "stages/stage_file.h"

namespace dorvan {

StageSelector::StageSelector(FormState& form, FileOps& files, ErrorReporter& errors, Journal& journal)
    : form_(form), files_(files), errors_(errors), journal_(journal) {}

void StageSelector::markStage(int stage) {
  for (const StageButton& b : kStageButtons) form_.setBackColor(controlId(b.button), b.stage == stage ? kRed : kBlue);
  const bool changed = currentStage_ != stage;
  currentStage_ = static_cast<std::uint8_t>(stage);
  if (changed && listener_) listener_->stageChanged(stage);
}

void StageSelector::pressStageButton(int stage, std::string_view by) {
  const StageButton& button = kStageButtons.at(stage - 1);
  // The file is read whole before anything changes, so a damaged file leaves the
  // window as it was and a later KAYDET cannot overwrite it with another stage's table.
  StageValues values;
  StageExtras extras;
  const StageReadResult r = readStageFile(files_, button.file, values, extras);
  switch (r.status) {
    case StageReadResult::Status::Ok:
      markStage(stage);
      stageBuffer_ = std::move(values);
      for (int i = 0; i < kTableSize; ++i) form_.setText(kPositionToBox[i], stageBuffer_[i]);
      for (int port = 1; port <= kPortCount; ++port) form_.setExtras(port, std::move(extras[port - 1]));
      journal_.record(journal_events::stageLoaded(stage, by));
      if (!r.overfullPorts.empty())
        journal_.record(journal_events::warning(messages::tooManyExtraWindows(button.file, r.overfullPorts)));
      return;
    case StageReadResult::Status::NotFound:
      // A new stage: chosen, the boxes kept, so that KAYDET makes its file from them.
      markStage(stage);
      errors_.showError(messages::stageFileMissing(button.file));
      return;
    case StageReadResult::Status::Unreadable:
      errors_.showError(messages::stageFileUnreadable(button.file, r.file));
      return;
    case StageReadResult::Status::TooShort:
      errors_.showError(messages::stageFileTooShort(button.file, r.lineCount));
      return;
  }
}

void StageSelector::saveCurrentStage(std::string_view by) {
  if (currentStage_ == 0) return;
  const StageButton& button = kStageButtons.at(currentStage_ - 1);
  std::array<std::string_view, kTableSize> values;
  for (int i = 0; i < kTableSize; ++i) values[i] = form_.text(kPositionToBox[i]);
  StageExtras extras;
  for (int port = 1; port <= kPortCount; ++port) extras[port - 1] = form_.extras(port);
  const StageWriteResult r = writeStageFile(files_, button.file, values, extras);
  if (r.ok())
    journal_.record(journal_events::stageSaved(currentStage_, by));
  else
    errors_.showError(messages::stageSaveFailed(button.file, r.failedStep, r.file));
}

}  // namespace dorvan

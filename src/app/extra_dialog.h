// The dialog of a port's extra windows, as the core sees it: a copy of the port's
// windows that the rows edit, the marks of each row, and TAMAM, which types the rows into
// the form as typing in the row's own boxes does. Nothing reaches the form before TAMAM;
// İPTAL simply drops the copy. A binding creates the dialog from kExtraDialogControls
// and shows what this says after every change.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "app/box_marks.h"
#include "form/extra_dialog_layout.h"
#include "form/form_state.h"

namespace dorvan {

class ExtraDialog {
 public:
  ExtraDialog(const FormState& form, int port, bool placeKnown);

  // "PORT 05 — ek çizelge"
  const std::string& title() const { return title_; }
  int port() const { return port_; }
  const ExtraWindows& rows() const { return rows_; }
  std::string_view text(int row, WindowBox box) const { return rows_[row].box(box); }
  bool canAdd() const { return rows_.size() < kMaxExtraWindows; }

  // What was typed into a row's box. Returns whether anything was refused (a character
  // a stage file cannot hold, the separator, a character past the limit): the binding
  // then shows the text kept instead.
  bool type(int row, WindowBox box, std::string_view typed);
  // EKLE: an empty row at the end; false when there are eight already.
  bool add();
  // SİL: the row goes, the rows after it move up.
  void remove(int row);
  WindowFaults faults(int row) const { return faultsOf(rows_[row], placeKnown_); }
  // TAMAM. Returns false and writes nothing when the port's extra windows were changed
  // elsewhere since the dialog opened (a stage loaded, the page): the binding then says
  // changedElsewhere() and stays open, and a second TAMAM writes these rows over them.
  bool accept(FormState& form);
  std::string changedElsewhere() const;

 private:
  int port_;
  bool placeKnown_;
  std::string title_;
  ExtraWindows rows_;
  std::uint32_t revision_;  // the port's extra windows as the rows were copied from them
};

}  // namespace dorvan

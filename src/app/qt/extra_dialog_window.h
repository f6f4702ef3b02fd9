// A port's extra windows under Qt 6 Widgets: a modal dialog created from
// kExtraDialogControls, showing what the core's ExtraDialog holds after every change.
#pragma once

#include <QDialog>

#include <array>

#include "app/extra_dialog.h"
#include "form/extra_dialog_layout.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace dorvan {

class ExtraDialogWindow final : public QDialog {
 public:
  ExtraDialogWindow(QWidget& parent, FormState& form, int port, bool placeKnown);

  QLineEdit* box(int row, WindowBox b) const { return rows_[row].boxes[static_cast<int>(b)]; }
  QPushButton* removeButton(int row) const { return rows_[row].remove; }
  QPushButton* button(DialogRole role) const;

 private:
  struct RowWidgets {
    QLabel* label = nullptr;
    std::array<QLineEdit*, kWindowBoxes> boxes{};
    QPushButton* remove = nullptr;
  };

  QWidget* createControl(const DialogControl& c);
  QLineEdit* createBox(const DialogControl& c);
  QPushButton* createButton(const DialogControl& c);

  void typed(int row, WindowBox b, const QString& text);
  void addRow();
  void removeRow(int row);
  void ok();
  // Every row as the model holds it: its texts and marks, or hidden past the last one.
  void showRows();
  void showMarks(int row);

  FormState& form_;
  ExtraDialog model_;
  std::array<RowWidgets, kMaxExtraWindows> rows_{};
  QPushButton* add_ = nullptr;
  QPushButton* ok_ = nullptr;
  QPushButton* cancel_ = nullptr;
};

// The dialog of a port, over `parent` and modal; it goes when it is closed.
void openExtraDialog(QWidget& parent, FormState& form, int port, bool placeKnown);

}  // namespace dorvan

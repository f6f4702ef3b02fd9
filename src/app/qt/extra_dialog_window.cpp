#include "app/qt/extra_dialog_window.h"

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include <algorithm>

#include "app/qt/widget_look.h"

namespace dorvan {

ExtraDialogWindow::ExtraDialogWindow(QWidget& parent, FormState& form, int port, bool placeKnown)
    : QDialog(&parent), form_(form), model_(form, port, placeKnown) {
  const int dpi = logicalDpi();
  setWindowTitle(toQString(model_.title()));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setFixedSize(toQRect(toPixels({0, 0, kDialogClientWidth, kDialogClientHeight}, dpi)).size());
  setFont(windowFont(dpi));
  QPalette background = palette();
  background.setColor(QPalette::Window, toQColor(kMainWindow.back, background.color(QPalette::Window)));
  setPalette(background);
  setAutoFillBackground(true);

  // Created in the table's order, which Qt also takes for the Tab key.
  for (const DialogControl& c : kExtraDialogControls) {
    QWidget* widget = createControl(c);
    widget->setFont(font());
    widget->setGeometry(toQRect(toPixels(c.rect, dpi)));
  }
  showRows();
  if (!model_.rows().empty())
    box(0, WindowBox::StartDate)->setFocus();
  else
    add_->setFocus();
}

QPushButton* ExtraDialogWindow::button(DialogRole role) const {
  switch (role) {
    case DialogRole::Add: return add_;
    case DialogRole::Ok: return ok_;
    case DialogRole::Cancel: return cancel_;
    default: return nullptr;
  }
}

QWidget* ExtraDialogWindow::createControl(const DialogControl& c) {
  if (c.kind == Kind::TextBox) return createBox(c);
  if (c.kind == Kind::Button) return createButton(c);
  auto* label = new QLabel(toQString(c.caption), this);
  label->setTextFormat(Qt::PlainText);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label->setMargin(0);
  label->setIndent(0);
  label->setFocusPolicy(Qt::NoFocus);
  if (c.role == DialogRole::RowLabel) rows_[c.row].label = label;
  return label;
}

QLineEdit* ExtraDialogWindow::createBox(const DialogControl& c) {
  auto* edit = new QLineEdit(this);
  if (c.maxLength > 0) edit->setMaxLength(c.maxLength);
  edit->setStyleSheet(textBoxStyle(false));
  const int row = c.row;
  const WindowBox b = c.box;
  connect(edit, &QLineEdit::textEdited, this, [this, row, b](const QString& text) { typed(row, b, text); });
  connect(edit, &QLineEdit::textChanged, this, [this, edit] { fitText(edit, font()); });
  rows_[row].boxes[static_cast<int>(b)] = edit;
  return edit;
}

// Enter presses TAMAM, as in any dialog; no other button is pressed by it.
QPushButton* ExtraDialogWindow::createButton(const DialogControl& c) {
  auto* pushButton = new QPushButton(toQString(c.caption), this);
  pushButton->setAutoDefault(false);
  pushButton->setFocusPolicy(Qt::StrongFocus);
  pushButton->setStyleSheet(buttonStyle(palette().color(QPalette::Button), palette().color(QPalette::ButtonText)));
  switch (c.role) {
    case DialogRole::Remove: {
      const int row = c.row;
      rows_[row].remove = pushButton;
      connect(pushButton, &QPushButton::clicked, this, [this, row] { removeRow(row); });
      break;
    }
    case DialogRole::Add:
      add_ = pushButton;
      connect(pushButton, &QPushButton::clicked, this, &ExtraDialogWindow::addRow);
      break;
    case DialogRole::Ok:
      ok_ = pushButton;
      pushButton->setDefault(true);
      connect(pushButton, &QPushButton::clicked, this, &ExtraDialogWindow::ok);
      break;
    case DialogRole::Cancel:
      cancel_ = pushButton;
      connect(pushButton, &QPushButton::clicked, this, &QDialog::reject);
      break;
    case DialogRole::Heading:
    case DialogRole::RowLabel:
    case DialogRole::Box: break;
  }
  return pushButton;
}

// What the box cannot keep goes at once, and the cursor stays where the typing was.
void ExtraDialogWindow::typed(int row, WindowBox b, const QString& text) {
  if (model_.type(row, b, text.toStdString())) {
    QLineEdit* edit = box(row, b);
    const QString kept = toQString(model_.text(row, b));
    const int cursor = edit->cursorPosition() - static_cast<int>(text.size() - kept.size());
    edit->setText(kept);
    edit->setCursorPosition(std::clamp(cursor, 0, static_cast<int>(kept.size())));
  }
  showMarks(row);
}

void ExtraDialogWindow::addRow() {
  if (!model_.add()) return;
  showRows();
  box(static_cast<int>(model_.rows().size()) - 1, WindowBox::StartDate)->setFocus();
}

void ExtraDialogWindow::removeRow(int row) {
  model_.remove(row);
  showRows();
  const int count = static_cast<int>(model_.rows().size());
  if (count > 0)
    box(std::min(row, count - 1), WindowBox::StartDate)->setFocus();
  else
    add_->setFocus();
}

void ExtraDialogWindow::ok() {
  if (model_.accept(form_)) {
    accept();
    return;
  }
  QMessageBox box(QMessageBox::Warning, toQString(model_.title()), toQString(model_.changedElsewhere()),
                  QMessageBox::Ok, this);
  box.exec();
}

void ExtraDialogWindow::showRows() {
  const int count = static_cast<int>(model_.rows().size());
  for (int r = 0; r < kMaxExtraWindows; ++r) {
    const bool shown = r < count;
    RowWidgets& row = rows_[r];
    row.label->setVisible(shown);
    row.remove->setVisible(shown);
    for (int b = 0; b < kWindowBoxes; ++b) {
      QLineEdit* edit = row.boxes[b];
      edit->setVisible(shown);
      const QString text = shown ? toQString(model_.text(r, static_cast<WindowBox>(b))) : QString();
      if (edit->text() != text) edit->setText(text);
    }
    if (shown) showMarks(r);
  }
  add_->setEnabled(model_.canAdd());
}

void ExtraDialogWindow::showMarks(int row) {
  const WindowFaults faults = model_.faults(row);
  for (int b = 0; b < kWindowBoxes; ++b) {
    QLineEdit* edit = rows_[row].boxes[b];
    const BoxFault fault = faults.of(static_cast<WindowBox>(b));
    const bool marked = fault != BoxFault::None;
    const QString toolTip = marked ? toQString(faultText(fault)) : QString();
    if (edit->toolTip() == toolTip) continue;  // a style sheet set again repolishes the box
    edit->setStyleSheet(textBoxStyle(marked));
    edit->setToolTip(toolTip);
  }
}

void openExtraDialog(QWidget& parent, FormState& form, int port, bool placeKnown) {
  auto* dialog = new ExtraDialogWindow(parent, form, port, placeKnown);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->setWindowModality(Qt::ApplicationModal);
  dialog->show();
}

}  // namespace dorvan

// What every DORVAN window under Qt shares: the font, the colours, the boxes' and
// buttons' faces and the mark, so that a dialog looks like the main window.
#pragma once

#include <QColor>
#include <QFont>
#include <QString>

#include <string_view>

#include "form/window_layout.h"

class QLineEdit;

namespace dorvan {

inline QString toQString(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

QColor toQColor(Color color, const QColor& systemColor);
QRect toQRect(const PixelRect& r);
int logicalDpi();
QFont windowFont(int dpi);

// A Win32 client edge; with `marked`, the mark's background behind it.
QString textBoxStyle(bool marked);
QString buttonStyle(const QColor& face, const QColor& text);

// A box whose text is wider than its room shows it in a smaller size of `font`, so that
// a word such as "HAFTA SONU" is never cut to look like a typo. A text that fits, every
// date among them, keeps `font`.
void fitText(QLineEdit* box, const QFont& font);

}  // namespace dorvan

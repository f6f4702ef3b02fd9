#include "app/qt/widget_look.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QLineEdit>
#include <QRect>
#include <QScreen>

#include <cmath>

namespace dorvan {

namespace {

// A box's text is not made smaller than this share of the window's font (in tenths):
// below it a word is no longer read at a glance, and the box scrolls instead.
constexpr int kSmallestTenths = 6;
// What a box takes from its width on each side: the border below, and QLineEdit's own margin.
constexpr int kTextBoxBorder = 2;
constexpr int kLineEditMargin = 2;

}  // namespace

QColor toQColor(Color color, const QColor& systemColor) {
  if (color == kSystemColor) return systemColor;
  return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                static_cast<int>((color >> 16) & 0xFF));
}

QRect toQRect(const PixelRect& r) { return QRect(r.left, r.top, r.width, r.height); }

int logicalDpi() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? static_cast<int>(std::lround(screen->logicalDotsPerInchY())) : 96;
}

// "MS Sans Serif" is not there on Linux. The condensed DejaVu face fits every caption
// and the clock texts in their rectangles at 18 pixels; the wider faces after it
// only stand in where it is missing.
QFont windowFont(int dpi) {
  QFont font;
  font.setFamilies(
      {QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
  font.setStyleHint(QFont::SansSerif);
  const int twipsPerPixelAt96 = kTwipsPerInch / 96;
  font.setPixelSize(twipsToPixels(kMainWindow.font.pixelsAt96Dpi * twipsPerPixelAt96, dpi));
  font.setBold(kMainWindow.font.bold);
  return font;
}

// A style sheet paints a box's background whatever its palette says, so the mark is one too.
QString textBoxStyle(bool marked) {
  QString style = QStringLiteral(
      "QLineEdit { border-width: 2px; border-style: solid;"
      " border-color: #808080 #ffffff #ffffff #808080; padding: 0px; }");
  if (marked) style += QStringLiteral("QLineEdit { background-color: %1; }").arg(toQColor(kMarkColor, QColor()).name());
  return style;
}

// Fusion paints push buttons with its own gradient whatever the palette says; a
// style sheet is what makes the button face really show the colour.
QString buttonStyle(const QColor& face, const QColor& text) {
  return QStringLiteral(
             "QPushButton { background-color: %1; color: %2; border-width: 2px; border-style: solid;"
             " border-color: #ffffff #404040 #404040 #ffffff; padding: 0px; }"
             "QPushButton:focus { border-color: #000000; }"
             "QPushButton:pressed { border-color: #404040 #ffffff #ffffff #404040; }"
             "QPushButton:disabled { color: #808080; }")
      .arg(face.name(), text.name());
}

void fitText(QLineEdit* box, const QFont& font) {
  const QString text = box->text();
  // The border and QLineEdit's own margin on each side, and a pixel for the cursor.
  const int room = box->width() - 2 * (kTextBoxBorder + kLineEditMargin) - 1;
  QFont fitted = font;
  const int largest = fitted.pixelSize();
  const int smallest = largest * kSmallestTenths / 10;
  for (int pixels = largest; pixels >= smallest; --pixels) {
    fitted.setPixelSize(pixels);
    if (QFontMetrics(fitted).horizontalAdvance(text) <= room) break;
  }
  if (box->font() != fitted) box->setFont(fitted);
}

}  // namespace dorvan

// The main window described as data: every control with its rectangle (twips),
// caption, colours, limit and tab place, plus the ten-row port grid. Both window
// bindings create the window by walking this table; the core addresses controls
// by their index in it.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace dorvan {

// Window-system colour, 0x00BBGGRR.
using Color = std::uint32_t;
inline constexpr Color kRed = 0x0000FF;
inline constexpr Color kBlue = 0xFF0000;
inline constexpr Color kGreen = 0x00FF00;
inline constexpr Color kFormBackground = 0xF7DFD6;
// A date or time box whose instant can never fire: pale red.
inline constexpr Color kMarkColor = 0xC8C8FF;
// The platform's own colour for this kind of control (button face, window background).
inline constexpr Color kSystemColor = 0xFFFFFFFF;

enum class Kind : std::uint8_t { Label, TextBox, Button, PictureBox };

struct TwipRect {
  int left;
  int top;
  int width;
  int height;
  constexpr int right() const { return left + width; }
  constexpr int bottom() const { return top + height; }
  constexpr bool operator==(const TwipRect&) const = default;
};

using ControlId = std::uint8_t;

struct ControlSpec {
  std::string_view name;
  Kind kind;
  TwipRect rect;
  std::string_view caption;  // UTF-8; empty for boxes and caption-less labels
  Color back;                // kSystemColor unless the control shows its own colour
  int maxLength;             // characters; 0 = no limit
  int tabIndex;              // place in the Tab order, -1 = never takes the focus
};

struct FontSpec {
  std::string_view face;
  double points;
  int pixelsAt96Dpi;
  bool bold;
  int charset;  // Windows character set number; 162 = Turkish (code page 1254)
};

struct WindowSpec {
  std::string_view name;
  std::string_view caption;
  int clientWidth;   // twips
  int clientHeight;  // twips
  Color back;
  FontSpec font;
};

inline constexpr WindowSpec kMainWindow{
    "MainForm", "KAVRUN 18F2550 MERVALTO", 14805, 9435, kFormBackground, FontSpec{"MS Sans Serif", 13.5, 18, true, 162},
};

inline constexpr int kTwipsPerInch = 1440;
inline constexpr int kPortCount = 10;
inline constexpr int kTimerIntervalMs = 100;

// One row of the port grid: the controls of one port, left to right.
struct PortRow {
  std::string_view indicator;
  std::string_view description;
  std::string_view portLabel;
  std::string_view portCaption;
  std::string_view startDate;
  std::string_view startTime;
  std::string_view endDate;
  std::string_view endTime;
};

inline constexpr std::array<PortRow, kPortCount> kPortGrid{{
    {"Label21", "Text1", "Label1", "PORT 01", "Text2", "Text5", "Text19", "Text21"},
    {"Label32", "Text3", "Label2", "PORT 02", "Text4", "Text6", "Text20", "Text22"},
    {"Label31", "Text7", "Label3", "PORT 03", "Text8", "Text11", "Text23", "Text25"},
    {"Label30", "Text9", "Label4", "PORT 04", "Text10", "Text12", "Text24", "Text26"},
    {"Label29", "Text13", "Label5", "PORT 05", "Text14", "Text17", "Text27", "Text29"},
    {"Label28", "Text15", "Label6", "PORT 06", "Text16", "Text18", "Text28", "Text30"},
    {"Label27", "Text60", "Label26", "PORT 07", "Text59", "Text56", "Text42", "Text40"},
    {"Label22", "Text58", "Label25", "PORT 08", "Text57", "Text55", "Text41", "Text39"},
    {"Label33", "Text54", "Label24", "PORT 09", "Text53", "Text50", "Text38", "Text36"},
    {"Label34", "Text52", "Label23", "PORT 10", "Text51", "Text49", "Text37", "Text35"},
}};

namespace layout_detail {

struct Column {
  Kind kind;
  int left;
  int width;
  int maxLength;
};
// Columns of the port grid, in the order of PortRow's members after portCaption.
inline constexpr Column kIndicatorColumn{Kind::Label, 0, 495, 0};
inline constexpr Column kDescriptionColumn{Kind::TextBox, 480, 6255, 29};
inline constexpr Column kPortLabelColumn{Kind::Label, 6960, 1335, 0};
inline constexpr Column kStartDateColumn{Kind::TextBox, 8280, 1695, 10};
inline constexpr Column kStartTimeColumn{Kind::TextBox, 10080, 1335, 8};
inline constexpr Column kEndDateColumn{Kind::TextBox, 11520, 1695, 10};
inline constexpr Column kEndTimeColumn{Kind::TextBox, 13320, 1335, 8};
inline constexpr int kRowHeight = 495;
inline constexpr int kRowPitch = 720;

// The end date box of port 10 is wider than the rest of its column.
inline constexpr std::string_view kWideEndDateBox = "Text37";
inline constexpr int kWideEndDateWidth = 1815;

constexpr int boxTop(int port) { return 1560 + kRowPitch * (port - 1); }
constexpr int labelTop(int port) { return 1680 + kRowPitch * (port - 1); }
// Port 1's indicator and description sit level with its boxes; the others stand 120 twips higher.
constexpr int indicatorTop(int port) { return port == 1 ? 1560 : 1440 + kRowPitch * (port - 1); }

constexpr int numberOf(std::string_view name) {
  int n = 0;
  for (char c : name)
    if (c >= '0' && c <= '9') n = n * 10 + (c - '0');
  return n;
}

constexpr bool startsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

// Tab order: the stage buttons from KADEME2 to KAYDET, then KADEME 1; the text
// boxes by falling number; Picture1; Text1 last.
inline constexpr std::array<std::string_view, 8> kButtonTabOrder{"Command34", "Command33", "Command32", "Command31",
                                                                 "Command29", "Command28", "Command27", "Command25"};

constexpr int tabIndexOf(std::string_view name) {
  for (int i = 0; i < static_cast<int>(kButtonTabOrder.size()); ++i)
    if (kButtonTabOrder[i] == name) return i;
  const int buttons = static_cast<int>(kButtonTabOrder.size());
  if (name == "Text1") return buttons + 50;
  if (name == "Picture1") return buttons + 49;
  if (startsWith(name, "Text")) {
    // Text60..Text2 all exist except for a few numbers; count the boxes with a larger number.
    int place = 0;
    const int n = numberOf(name);
    for (const PortRow& row : kPortGrid)
      for (std::string_view box : {row.description, row.startDate, row.startTime, row.endDate, row.endTime})
        if (numberOf(box) > n) ++place;
    return buttons + place;
  }
  return -1;
}

struct ButtonRowEntry {
  std::string_view name;
  std::string_view caption;
  int left;
  int width;
  Color back;
};
inline constexpr int kButtonTop = 8640;
inline constexpr int kButtonHeight = 495;
inline constexpr std::array<ButtonRowEntry, 8> kButtonRow{{
    {"Command25", "KADEME 1", 0, 1695, kBlue},
    {"Command34", "KADEME2", 1800, 1695, kBlue},
    {"Command33", "KADEME3", 3600, 1815, kBlue},
    {"Command32", "KADEME4", 5520, 1815, kBlue},
    {"Command31", "KADEME5", 7440, 1815, kBlue},
    {"Command29", "KADEME6", 9360, 1695, kBlue},
    {"Command28", "KADEME7", 11160, 1695, kBlue},
    {"Command27", "KAYDET", 12960, 1695, kGreen},
}};

constexpr ControlSpec fixed(std::string_view name, Kind kind, TwipRect r, std::string_view caption) {
  return ControlSpec{name, kind, r, caption, kSystemColor, 0, tabIndexOf(name)};
}

inline constexpr int kFixedCount = 13;
inline constexpr std::array<ControlSpec, kFixedCount> kFixedControls{{
    // top strip
    fixed("Label17", Kind::Label, {120, 0, 855, 375}, "SAAT"),
    fixed("Label18", Kind::Label, {1080, 0, 1575, 375}, ""),
    fixed("Label19", Kind::Label, {4680, 0, 1095, 375}, "TARİH"),
    fixed("Label20", Kind::Label, {6120, 0, 1575, 375}, ""),
    fixed("Picture1", Kind::PictureBox, {3480, 480, 2295, 855}, ""),
    // heading block
    fixed("Label7", Kind::Label, {0, 720, 2895, 495}, "AYGIT AÇIKLAMASI"),
    fixed("Label8", Kind::Label, {6960, 960, 1455, 495}, "PORT NO"),
    fixed("Label12", Kind::Label, {8880, 480, 1815, 375}, "BAŞLANGIÇ"),
    fixed("Label9", Kind::Label, {8760, 960, 1095, 375}, "TARİH"),
    fixed("Label10", Kind::Label, {10320, 960, 1095, 375}, "SAAT"),
    fixed("Label13", Kind::Label, {12480, 600, 855, 375}, "BİTİŞ"),
    fixed("Label14", Kind::Label, {11880, 960, 1095, 375}, "TARİH"),
    fixed("Label15", Kind::Label, {13440, 960, 1095, 375}, "SAAT"),
}};

constexpr ControlSpec cell(std::string_view name, const Column& col, int top, std::string_view caption, Color back) {
  int width = col.width;
  if (name == kWideEndDateBox) width = kWideEndDateWidth;
  const TwipRect rect{col.left, top, width, kRowHeight};
  return ControlSpec{name, col.kind, rect, caption, back, col.maxLength, tabIndexOf(name)};
}

inline constexpr int kControlCount = kFixedCount + kPortCount * 7 + static_cast<int>(kButtonRow.size());

constexpr std::array<ControlSpec, kControlCount> buildControls() {
  std::array<ControlSpec, kControlCount> out{};
  int i = 0;
  for (const ControlSpec& c : kFixedControls) out[i++] = c;
  for (int p = 1; p <= kPortCount; ++p) {
    const PortRow& row = kPortGrid[p - 1];
    out[i++] = cell(row.indicator, kIndicatorColumn, indicatorTop(p), "", kBlue);
    out[i++] = cell(row.description, kDescriptionColumn, indicatorTop(p), "", kSystemColor);
    out[i++] = cell(row.portLabel, kPortLabelColumn, labelTop(p), row.portCaption, kSystemColor);
    out[i++] = cell(row.startDate, kStartDateColumn, boxTop(p), "", kSystemColor);
    out[i++] = cell(row.startTime, kStartTimeColumn, boxTop(p), "", kSystemColor);
    out[i++] = cell(row.endDate, kEndDateColumn, boxTop(p), "", kSystemColor);
    out[i++] = cell(row.endTime, kEndTimeColumn, boxTop(p), "", kSystemColor);
  }
  for (const ButtonRowEntry& b : kButtonRow) {
    const TwipRect rect{b.left, kButtonTop, b.width, kButtonHeight};
    out[i++] = ControlSpec{b.name, Kind::Button, rect, b.caption, b.back, 0, tabIndexOf(b.name)};
  }
  return out;
}

}  // namespace layout_detail

// Every control of the main window.
inline constexpr std::array<ControlSpec, layout_detail::kControlCount> kControls = layout_detail::buildControls();

// The index of a control in kControls; a wrong name fails to compile where it is constant.
constexpr ControlId controlId(std::string_view name) {
  for (std::size_t i = 0; i < kControls.size(); ++i)
    if (kControls[i].name == name) return static_cast<ControlId>(i);
  throw "no such control";  // not reachable in a constant expression
}

constexpr const ControlSpec& controlSpec(ControlId id) { return kControls[id]; }

// A port's indicator square: a double-click switches the port, its tooltip tells about it.
constexpr bool isPortIndicator(ControlId id) {
  for (const PortRow& row : kPortGrid)
    if (kControls[id].name == row.indicator) return true;
  return false;
}

// The order in which a binding creates the controls. Controls that take the focus
// come first, in Tab order, so that a dialog-style Tab walk follows it; labels come
// last so that they lie beneath the boxes, buttons and the picture they touch.
std::array<ControlId, kControls.size()> creationOrder();

// Twips to device pixels at the given resolution; every rectangle scales by the same factor.
constexpr int twipsToPixels(int twips, int dpi) { return (twips * dpi + kTwipsPerInch / 2) / kTwipsPerInch; }

}  // namespace dorvan

namespace dorvan {

struct PixelRect {
  int left;
  int top;
  int width;
  int height;
  constexpr bool operator==(const PixelRect&) const = default;
};

// Edges are scaled, not sizes, so that controls that touch or overlap in twips still do in pixels.
constexpr PixelRect toPixels(const TwipRect& r, int dpi) {
  const int l = twipsToPixels(r.left, dpi);
  const int t = twipsToPixels(r.top, dpi);
  return {l, t, twipsToPixels(r.right(), dpi) - l, twipsToPixels(r.bottom(), dpi) - t};
}

}  // namespace dorvan

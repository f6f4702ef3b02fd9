#include "app/win32/form_font.h"

#include <cwchar>
#include <string>
#include <utility>

#include "app/win32/dpi.h"
#include "base/win32/utf16.h"
#include "form/window_layout.h"

namespace dorvan::win32 {
namespace {

// Where the window's own face is missing, or cannot show Turkish letters, one of
// these bold sans-serif faces of similar width stands in.
constexpr const wchar_t* kStandInFaces[] = {L"Microsoft Sans Serif", L"Tahoma", L"Arial"};

// A box's text is not made smaller than this share of the window's font (in tenths):
// below it a word is no longer read at a glance, and the box scrolls instead.
constexpr int kSmallestTenths = 6;

HFONT createFace(const std::wstring& face, int pixels) {
  const FontSpec& f = kMainWindow.font;
  LOGFONTW lf{};
  lf.lfHeight = -pixels;
  lf.lfWeight = f.bold ? FW_BOLD : FW_NORMAL;
  lf.lfCharSet = static_cast<BYTE>(f.charset);
  lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
  lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  lf.lfQuality = DEFAULT_QUALITY;
  lf.lfPitchAndFamily = DEFAULT_PITCH | FF_SWISS;
  wcsncpy(lf.lfFaceName, face.c_str(), LF_FACESIZE - 1);
  return CreateFontIndirectW(&lf);
}

// True when the font mapper gave the face asked for, with the Turkish letters.
bool isFaithful(HFONT font, const std::wstring& face) {
  HDC dc = GetDC(nullptr);
  if (!dc) return true;
  HGDIOBJ old = SelectObject(dc, font);
  wchar_t got[LF_FACESIZE] = {};
  GetTextFaceW(dc, LF_FACESIZE, got);
  const int charset = GetTextCharset(dc);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return _wcsicmp(got, face.c_str()) == 0 && charset == kMainWindow.font.charset;
}

int textWidth(HDC dc, HFONT font, const std::wstring& text) {
  HGDIOBJ old = SelectObject(dc, font);
  SIZE size{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  SelectObject(dc, old);
  return size.cx;
}

}  // namespace

FormFont::~FormFont() { release(); }

void FormFont::release() {
  for (HFONT f : smaller_)
    if (f) DeleteObject(f);
  smaller_.clear();
  if (font_) DeleteObject(font_);
  font_ = nullptr;
}

void FormFont::swap(FormFont& other) noexcept {
  std::swap(font_, other.font_);
  std::swap(face_, other.face_);
  std::swap(pixels_, other.pixels_);
  std::swap(smaller_, other.smaller_);
}

void FormFont::rebuild(int dpi) {
  const std::wstring ownFace = widen(kMainWindow.font.face);
  const int pixels = MulDiv(kMainWindow.font.pixelsAt96Dpi, dpi, kBaseDpi);
  // The smaller sizes are asked for by the same name, so the mapper gives the same face.
  std::wstring face = ownFace;
  HFONT chosen = createFace(ownFace, pixels);
  if (!chosen || !isFaithful(chosen, ownFace)) {
    for (const wchar_t* standIn : kStandInFaces) {
      HFONT next = createFace(standIn, pixels);
      if (next && isFaithful(next, standIn)) {
        if (chosen) DeleteObject(chosen);
        chosen = next;
        face = standIn;
        break;
      }
      if (next) DeleteObject(next);
    }
  }
  release();
  font_ = chosen;
  face_ = face;
  pixels_ = pixels;
  const int steps = pixels - pixels * kSmallestTenths / 10;
  smaller_.assign(static_cast<std::size_t>(steps > 0 ? steps : 0), nullptr);
}

HFONT FormFont::fitting(const std::wstring& text, int room, bool& fits) {
  fits = true;
  if (!font_ || text.empty()) return font_;
  HDC dc = GetDC(nullptr);
  if (!dc) return font_;
  HFONT chosen = font_;
  fits = textWidth(dc, font_, text) <= room;
  for (std::size_t i = 0; !fits && i < smaller_.size(); ++i) {
    if (!smaller_[i]) smaller_[i] = createFace(face_, pixels_ - 1 - static_cast<int>(i));
    if (!smaller_[i]) break;
    chosen = smaller_[i];
    fits = textWidth(dc, chosen, text) <= room;
  }
  ReleaseDC(nullptr, dc);
  return chosen;
}

}  // namespace dorvan::win32

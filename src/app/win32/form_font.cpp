#include "app/win32/form_font.h"

#include <cwchar>
#include <string>

#include "app/win32/dpi.h"
#include "base/win32/utf16.h"
#include "form/window_layout.h"

namespace dorvan::win32 {
namespace {

// Where the window's own face is missing, or cannot show Turkish letters, one of
// these bold sans-serif faces of similar width stands in.
constexpr const wchar_t* kStandInFaces[] = {L"Microsoft Sans Serif", L"Tahoma", L"Arial"};

HFONT createFace(const std::wstring& face, int dpi) {
  const FontSpec& f = kMainWindow.font;
  LOGFONTW lf{};
  lf.lfHeight = -MulDiv(f.pixelsAt96Dpi, dpi, kBaseDpi);
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

}  // namespace

FormFont::~FormFont() {
  if (font_) DeleteObject(font_);
}

void FormFont::rebuild(int dpi) {
  const std::wstring ownFace = widen(kMainWindow.font.face);
  HFONT chosen = createFace(ownFace, dpi);
  if (!chosen || !isFaithful(chosen, ownFace)) {
    for (const wchar_t* standIn : kStandInFaces) {
      HFONT next = createFace(standIn, dpi);
      if (next && isFaithful(next, standIn)) {
        if (chosen) DeleteObject(chosen);
        chosen = next;
        break;
      }
      if (next) DeleteObject(next);
    }
  }
  if (font_) DeleteObject(font_);
  font_ = chosen;
}

}  // namespace dorvan::win32

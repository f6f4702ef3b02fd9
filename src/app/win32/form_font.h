// The one font of the window's texts, at a given resolution, and the smaller sizes of
// its face that a box falls back to when its text is wider than the box.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace dorvan::win32 {

// Owns the font handles; a new resolution gets new fonts.
class FormFont {
 public:
  FormFont() = default;
  FormFont(const FormFont&) = delete;
  FormFont& operator=(const FormFont&) = delete;
  ~FormFont();

  void rebuild(int dpi);
  HFONT handle() const { return font_; }
  // The largest of the window's font and its smaller sizes in which text takes at most
  // room pixels; the smallest, with fits false, when none does. Made on first use,
  // kept until rebuild.
  HFONT fitting(const std::wstring& text, int room, bool& fits);
  // Lets a new font be handed to every control before the old one is deleted.
  void swap(FormFont& other) noexcept;

 private:
  void release();

  HFONT font_ = nullptr;
  std::wstring face_;           // the name font_ was asked for by
  int pixels_ = 0;              // font_'s character height
  std::vector<HFONT> smaller_;  // [i]: pixels_ - 1 - i pixels high, null until asked for
};

}  // namespace dorvan::win32

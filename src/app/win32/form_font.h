// The one font of the window's texts, at a given resolution.
#pragma once

#include <windows.h>

namespace dorvan::win32 {

// Owns the font handle; a new resolution gets a new font.
class FormFont {
 public:
  FormFont() = default;
  FormFont(const FormFont&) = delete;
  FormFont& operator=(const FormFont&) = delete;
  ~FormFont();

  void rebuild(int dpi);
  HFONT handle() const { return font_; }
  // Lets a new font be handed to every control before the old one is deleted.
  void swap(FormFont& other) noexcept {
    HFONT mine = font_;
    font_ = other.font_;
    other.font_ = mine;
  }

 private:
  HFONT font_ = nullptr;
};

}  // namespace dorvan::win32

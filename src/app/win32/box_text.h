// What the window and the dialog do alike with the text of a box: put it back where
// some of what was typed was refused, and show it whole in a box too narrow for it.
#pragma once

#include <windows.h>

#include <string>

#include "app/win32/form_font.h"

namespace dorvan::win32 {

// Sets the box's text. In the focused box the caret stays where the typing was, less
// what the new text left out before it.
void setBoxText(HWND box, const std::wstring& text);

// A box whose text is wider than its room shows it in a smaller size of the window's
// font, so that a word such as "HAFTA SONU" is never cut to look like a typo. Chosen
// when the text changes; a text that fits, every date among them, keeps the window's font.
void fitBoxText(HWND box, FormFont& font);

}  // namespace dorvan::win32

// How the buttons and the picture box paint themselves.
#pragma once

#include <windows.h>

#include "form/picture.h"
#include "form/window_layout.h"

namespace dorvan::win32 {

// The window-system colour a control's colour stands for.
COLORREF colorRef(Color color, int systemColorIndex);

// A push button whose face shows its own colour; a disabled one has a grey caption.
void drawButton(const DRAWITEMSTRUCT& item, Color back);

// The picture unscaled at the top-left of the box, cut at its edges; the rest in button face.
void drawPicture(const DRAWITEMSTRUCT& item, const Image& image);

}  // namespace dorvan::win32

#include "Dpi.h"

int AfxGetSystemDpi() {
  HDC screen = GetDC(nullptr);
  int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSX) : 96;
  if (screen != nullptr) ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

int AfxScaleByDpi(int pixels) { return MulDiv(pixels, AfxGetSystemDpi(), 96); }

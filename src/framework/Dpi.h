#pragma once
// The program declares itself aware of the system's DPI, so every size that it sets in
// pixels itself scales with it; 96 DPI is 100 %.
#include <windows.h>

// The screen's pixels per logical inch.
int AfxGetSystemDpi();
// A size given for 96 DPI, in pixels of the system's DPI.
int AfxScaleByDpi(int pixels);

// The program's entry: runs the application object's InitInstance. The program does its
// work inside InitInstance and never enters a message loop of its own.
#include "WinApp.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  CWinApp* app = AfxGetApp();
  if (app == nullptr) return 1;
  app->m_hInstance = instance;
  app->InitInstance();
  return 0;
}

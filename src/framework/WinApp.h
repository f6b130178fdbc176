#pragma once
// The application object. Exactly one exists, as a global; the program's entry runs its
// InitInstance. A program whose InitInstance returns FALSE ends without a message loop.
#include <windows.h>

#include <string>

#include "CmdTarget.h"

class CWnd;

// The framework's Help command.
constexpr UINT ID_HELP = 0xE146;

class CWinApp : public WithMessageMap<CWinApp, CCmdTarget> {
 public:
  CWinApp();
  ~CWinApp() override;

  HINSTANCE m_hInstance = nullptr;
  CWnd* m_pMainWnd = nullptr;

  virtual BOOL InitInstance();
  // Default handler of ID_HELP. No help content ships, so it shows nothing.
  virtual void OnHelp();

  static const AFX_MSGMAP messageMap;
};

CWinApp* AfxGetApp();
// The module that holds the framework's code, and with it the resources: the program,
// or the library that links the framework (not the program that loaded it).
HINSTANCE AfxGetInstanceHandle();
CWnd* AfxGetMainWnd();
// The executable's base name without extension: the caption of AfxMessageBox.
const char* AfxGetAppName();

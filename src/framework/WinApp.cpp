#include "WinApp.h"

namespace {
CWinApp* theApp = nullptr;
}

const AFX_MSGMAP CWinApp::messageMap{BaseMessageMap<CWinApp>(), {ON_COMMAND(ID_HELP, &CWinApp::OnHelp)}};

CWinApp::CWinApp() : m_hInstance(AfxGetInstanceHandle()) { theApp = this; }

CWinApp::~CWinApp() {
  if (theApp == this) theApp = nullptr;
}

BOOL CWinApp::InitInstance() { return FALSE; }

void CWinApp::OnHelp() {}

CWinApp* AfxGetApp() { return theApp; }

HINSTANCE AfxGetInstanceHandle() {
  static const HINSTANCE module = [] {
    HMODULE self = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&AfxGetInstanceHandle), &self);
    return self;
  }();
  return module;
}

CWnd* AfxGetMainWnd() { return theApp != nullptr ? theApp->m_pMainWnd : nullptr; }

const char* AfxGetAppName() {
  static const std::string name = [] {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string base(path);
    base.erase(0, base.find_last_of("\\/") + 1);
    return base.substr(0, base.find_last_of('.'));
  }();
  return name.c_str();
}

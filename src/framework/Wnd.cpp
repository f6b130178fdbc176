#include "Wnd.h"

#include <exception>

#include "WinApp.h"

namespace {
const char kObjectProperty[] = "Pralo.CWnd";

std::string WindowText(HWND hWnd) {
  std::string text(static_cast<size_t>(::GetWindowTextLengthA(hWnd)) + 1, '\0');
  text.resize(static_cast<size_t>(::GetWindowTextA(hWnd, text.data(), static_cast<int>(text.size()))));
  return text;
}
}  // namespace

CWnd::~CWnd() { UnsubclassWindow(); }

CWnd* CWnd::FromHandlePermanent(HWND hWnd) { return static_cast<CWnd*>(GetPropA(hWnd, kObjectProperty)); }

CWnd* CWnd::GetDlgItem(int id) const {
  HWND item = ::GetDlgItem(m_hWnd, id);
  if (item == nullptr) return nullptr;
  std::unique_ptr<CWnd>& wrapper = m_items[item];
  if (!wrapper) {
    wrapper = std::make_unique<CWnd>();
    wrapper->Attach(item);
  }
  return wrapper.get();
}

void CWnd::SetDlgItemText(int id, const char* text) { ::SetDlgItemTextA(m_hWnd, id, text); }

int CWnd::GetDlgItemText(int id, char* buffer, int capacity) const {
  return static_cast<int>(::GetDlgItemTextA(m_hWnd, id, buffer, capacity));
}

std::string CWnd::GetDlgItemText(int id) const { return WindowText(::GetDlgItem(m_hWnd, id)); }

void CWnd::SetDlgItemInt(int id, UINT value, BOOL bSigned) { ::SetDlgItemInt(m_hWnd, id, value, bSigned); }
void CWnd::CheckDlgButton(int id, UINT check) { ::CheckDlgButton(m_hWnd, id, check); }
UINT CWnd::IsDlgButtonChecked(int id) const { return ::IsDlgButtonChecked(m_hWnd, id); }
BOOL CWnd::EnableWindow(BOOL bEnable) { return ::EnableWindow(m_hWnd, bEnable); }
void CWnd::SetRedraw(BOOL bRedraw) { SendMessage(WM_SETREDRAW, bRedraw); }
void CWnd::Invalidate(BOOL bErase) { ::InvalidateRect(m_hWnd, nullptr, bErase); }
void CWnd::SetWindowText(const char* text) { ::SetWindowTextA(m_hWnd, text); }

std::string CWnd::GetWindowText() const { return WindowText(m_hWnd); }

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) const {
  return ::SendMessageA(m_hWnd, message, wParam, lParam);
}
BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) const {
  return ::PostMessageA(m_hWnd, message, wParam, lParam);
}
LRESULT CWnd::SendDlgItemMessage(int id, UINT message, WPARAM wParam, LPARAM lParam) const {
  return ::SendDlgItemMessageA(m_hWnd, id, message, wParam, lParam);
}

LRESULT CWnd::Default() { return DefWindowProc(m_current.message, m_current.wParam, m_current.lParam); }

int CWnd::MessageBox(const char* text, const char* caption, UINT type) {
  return ::MessageBoxA(m_hWnd, text, caption != nullptr ? caption : AfxGetAppName(), type);
}

CMenu* CWnd::GetSystemMenu(BOOL bRevert) {
  HMENU menu = ::GetSystemMenu(m_hWnd, bRevert);
  if (menu == nullptr) return nullptr;
  m_systemMenu.Attach(menu);
  return &m_systemMenu;
}

void CWnd::GetWindowRect(RECT* rect) const { ::GetWindowRect(m_hWnd, rect); }
void CWnd::GetClientRect(RECT* rect) const { ::GetClientRect(m_hWnd, rect); }
BOOL CWnd::IsIconic() const { return ::IsIconic(m_hWnd); }
HICON CWnd::SetIcon(HICON icon, BOOL bBigIcon) {
  return reinterpret_cast<HICON>(
      SendMessage(WM_SETICON, bBigIcon ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(icon)));
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM) { return OnCmdMsg(LOWORD(wParam), HIWORD(wParam)); }

BOOL CWnd::OnNotify(WPARAM, LPARAM lParam, LRESULT* pResult) {
  const auto* header = reinterpret_cast<const NMHDR*>(lParam);
  const AFX_MSGMAP_ENTRY* entry =
      GetMessageMap()->Find(AfxRoute::Notify, header->code, static_cast<UINT>(header->idFrom));
  return entry != nullptr && Invoke(*entry, 0, lParam, pResult);
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
  if (message == WM_COMMAND) return OnCommand(wParam, lParam);
  if (message == WM_NOTIFY) return OnNotify(wParam, lParam, pResult);
  const AFX_MSGMAP_ENTRY* entry = GetMessageMap()->Find(AfxRoute::Message, message, 0);
  return entry != nullptr && Invoke(*entry, wParam, lParam, pResult);
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (!OnWndMsg(message, wParam, lParam, &result)) result = DefWindowProc(message, wParam, lParam);
  return result;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (m_pfnSuper != nullptr) return CallWindowProcA(m_pfnSuper, m_hWnd, message, wParam, lParam);
  return ::DefWindowProcA(m_hWnd, message, wParam, lParam);
}

void CWnd::SubclassWindow(HWND hWnd) {
  m_hWnd = hWnd;
  SetPropA(hWnd, kObjectProperty, this);
  m_pfnSuper = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::AfxWndProc)));
}

void CWnd::UnsubclassWindow() {
  if (m_pfnSuper == nullptr) return;
  if (IsWindow(m_hWnd)) {
    SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
    RemovePropA(m_hWnd, kObjectProperty);
  }
  m_pfnSuper = nullptr;
  m_hWnd = nullptr;
}

LRESULT CALLBACK CWnd::AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  CWnd* self = FromHandlePermanent(hWnd);
  if (self == nullptr) return ::DefWindowProcA(hWnd, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    LRESULT result = CallWindowProcA(self->m_pfnSuper, hWnd, message, wParam, lParam);
    self->UnsubclassWindow();
    self->m_items.clear();
    return result;
  }
  CurrentMessage outer = self->m_current;
  self->m_current = {message, wParam, lParam};
  LRESULT result = 0;
  try {
    result = self->WindowProc(message, wParam, lParam);
  } catch (const std::exception& failure) {
    AfxReportHandlerFailure(failure.what());
  } catch (...) {
    AfxReportHandlerFailure("unknown exception");
  }
  self->m_current = outer;
  return result;
}

void AfxReportHandlerFailure(const char* what) {
  std::string text = std::string("An internal error stopped this command: ") + what;
  ::MessageBoxA(GetActiveWindow(), text.c_str(), AfxGetAppName(), MB_OK | MB_ICONSTOP);
}

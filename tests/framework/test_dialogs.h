#pragma once
// Small dialogs built on the framework for its own tests.
#include <string>

#include "Controls.h"
#include "Dialog.h"
#include "Menu.h"
#include "WinApp.h"
#include "test_ids.h"

// Exchanges a text member and a fixed 8-byte buffer with two edits.
class ExchangeDlg : public CDialog {
 public:
  explicit ExchangeDlg(CWnd* parent = nullptr) : CDialog(IDD_EXCHANGE, parent) {}
  std::string m_strName = "alpha";
  char m_szCode[8] = "1234567";
  bool refuseEmptyName = false;  // a name read back empty fails the exchange

 protected:
  void DoDataExchange(CDataExchange* pDX) override {
    DDX_Text(pDX, IDC_NAME, m_strName);
    DDX_Text(pDX, IDC_CODE, m_szCode, sizeof m_szCode);
    if (refuseEmptyName && pDX->m_bSaveAndValidate && m_strName.empty()) pDX->Fail();
  }
};

// A base class with a map entry of its own, so that chaining can be seen.
class BaseDlg : public WithMessageMap<BaseDlg, CDialog> {
 public:
  using WithMessageMap::WithMessageMap;
  int baseClicks = 0;
  void OnBaseButton() { ++baseClicks; }

  static const AFX_MSGMAP messageMap;
};

// Counts what reaches each kind of handler.
class RoutingDlg : public WithMessageMap<RoutingDlg, BaseDlg> {
 public:
  RoutingDlg() : WithMessageMap(IDD_EXCHANGE) {}

  CListCtrl m_list;
  CComboBox m_combo;
  int commandsSeen = 0, pings = 0, nameChanges = 0, listClicks = 0, listDoubleClicks = 0, listKeys = 0;
  int lastMenuCommand = 0, ownedResult = 0;
  UINT sysCommandId = 0;
  LPARAM sysCommandParam = 0;
  HCURSOR dragIcon = LoadCursor(nullptr, IDC_CROSS);

  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  void OnPing() { ++pings; }
  void OnNameChange() { ++nameChanges; }
  void OnListClick(NMHDR*, LRESULT* pResult) {
    ++listClicks;
    *pResult = 0;
  }
  void OnListDoubleClick(NMHDR*, LRESULT*) { ++listDoubleClicks; }
  void OnListKey(NMHDR*, LRESULT*) { ++listKeys; }
  void OnCustomNotify(NMHDR*, LRESULT* pResult) { *pResult = 42; }
  void OnSysCommand(UINT id, LPARAM lParam);
  HCURSOR OnQueryDragIcon() { return dragIcon; }
  void OnOpenOwned();
  void OnMenuButton();

  static const AFX_MSGMAP messageMap;

 protected:
  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* pDX) override;
};

// Shows a message box from a button handler, as the program's handlers do.
class AskingDlg : public WithMessageMap<AskingDlg, CDialog> {
 public:
  AskingDlg() : WithMessageMap(IDD_EXCHANGE) {}
  int answer = 0;
  void OnPing();
  static const AFX_MSGMAP messageMap;
};

// A WM_NOTIFY code of the tests' own, routed with a result.
constexpr UINT kCustomNotify = 0x7777;
// The system-menu command that RoutingDlg adds.
constexpr UINT kSysAbout = 0x10;

class TestApp : public CWinApp {
 public:
  int helps = 0;
  void OnHelp() override { ++helps; }
};

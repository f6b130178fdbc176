#pragma once
// Searches the network for printers, lists them as they arrive, and returns the
// address of the one the user picks.
#include "Controls.h"
#include "Dialog.h"
#include "PrlFind.h"

class CPrinterDiscoveryDlg : public WithMessageMap<CPrinterDiscoveryDlg, CDialog> {
 public:
  CPrinterDiscoveryDlg();
  // Stops a search that an ending of the dialog left running, before the library's
  // thread could reach a dialog that is gone.
  ~CPrinterDiscoveryDlg() override;

  // The chosen printer's dotted address, empty when none was selected; defined after
  // every ending other than Cancel.
  char m_szSelectedAddress[32] = {};

  static const AFX_MSGMAP messageMap;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;
  // Enter ends the dialog like the OK button: search stopped, address defined.
  void OnOK() override;
  void OnCancel() override;
  void OnOkButton();
  void OnDoubleClickList(NMHDR* pNotifyStruct, LRESULT* pResult);
  void OnSubnets();
  void OnRefresh();

 private:
  friend int CALLBACK DiscoveryCallback(DiscoveredPrinter* printer, void* context);
  // Starts a search of the local subnet and of the scope stored at this moment.
  void StartSearch();
  // Returns once no callback runs or will follow; rows may have come meanwhile.
  void StopSearch();
  int GetSelectedIndex() const;

  DiscoveryContext m_context{};
  bool m_bSearching = false;
  CListCtrl m_list;
};

// Puts a reported printer at the top of the dialog's list. Runs on the library's
// thread and touches the list only through messages sent to it.
int CALLBACK DiscoveryCallback(DiscoveredPrinter* printer, void* context);

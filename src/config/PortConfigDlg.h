#pragma once
// Shows and changes one port's settings. In port mode it loads the stored port and
// writes it back on OK; in wizard mode it edits the wizard's record only, and the
// printer's address, fixed on an earlier page, cannot be changed.
#include <string>

#include "Dialog.h"
#include "PortConfig.h"

class CPortConfigDlg : public WithMessageMap<CPortConfigDlg, CDialog> {
 public:
  // Port mode, for the port named by the reset record. printerText: the printers that
  // the main list shows for the port, separated by commas.
  CPortConfigDlg(CWnd* pOwner, PortConfig& config, std::string printerText);
  // Wizard mode.
  explicit CPortConfigDlg(PortConfig& config);

  static const AFX_MSGMAP messageMap;

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;
  void OnRaw();
  void OnLpr();
  void OnBiDi();
  void OnDiscovery();
  LRESULT OnReportDriverStatus(WPARAM, LPARAM);

 private:
  void ShowRecord();
  void ShowLinkStatus();
  void EnableGroup(const int* ids, size_t count, bool enable);
  void EnableRawGroup(bool enable);
  void EnableLprGroup(bool enable);
  void EnableBiDiGroup(bool enable);
  // The decimal value of an edit's leading digits (a sign is no digit); 0 for none.
  UINT NumberOf(int id) const;
  // Stores the controls' settings in the record; true when the SNMP address or
  // community differs from what was loaded.
  bool SaveRecord();

  PortConfig& m_config;
  bool m_wizardMode;
  std::string m_printerText;
  char m_savedAddress[256] = {};
  char m_savedCommunity[256] = {};
};

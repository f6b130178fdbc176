#pragma once
// Shows and changes one port's settings. In port mode it shows the stored port and
// writes it back to its store on OK; in wizard mode it edits the wizard's record only,
// and the printer's address, fixed on an earlier page, cannot be changed.
#include <string>

#include "Dialog.h"
#include "PortConfig.h"
#include "PortRecordStore.h"

class CPortConfigDlg : public WithMessageMap<CPortConfigDlg, CDialog> {
 public:
  // Port mode, for a port whose record the caller has read from the store, to which OK
  // writes it. printerText: the printers that the main list shows for the port,
  // separated by commas.
  CPortConfigDlg(CWnd* pOwner, PortConfig& config, PortRecordStore& store, std::string printerText);
  // Wizard mode: OK stores the settings in the record, Cancel leaves it as it was. The
  // first opening of a wizard shows a new port's numbers (SetNumberDefaults); a later
  // one shows the record, as the last OK left it.
  enum class WizardOpening { First, Again };
  CPortConfigDlg(PortConfig& config, WizardOpening opening);

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
  void ShowRecord(const PortConfig& config);
  void ShowLinkStatus(const PortConfig& config);
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
  PortRecordStore* m_store = nullptr;  // port mode only
  bool m_wizardMode;
  bool m_showNewPortDefaults = false;
  std::string m_printerText;
  char m_savedAddress[256] = {};
  char m_savedCommunity[256] = {};
};

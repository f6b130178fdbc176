#pragma once
// The main window: the spooler's ports, the monitor's marked, with their printers.
#include <vector>

#include "Controls.h"
#include "Dialog.h"
#include "ModelCatalogue.h"
#include "PortConfig.h"
#include "PortRecordStore.h"
#include "ServiceControl.h"
#include "SpoolerLists.h"

struct PortEntry {
  char name[120];
  char monitor[40];
};

struct PrinterEntry {
  char name[40];
  char ports[256];  // one port name, or several separated by commas
};

class CPortManagerDlg : public WithMessageMap<CPortManagerDlg, CDialog> {
 public:
  // services: the service manager through which the add-port wizard restarts the
  // spooler; store: where the port commands read and write the ports' records.
  explicit CPortManagerDlg(CWnd* pParent = nullptr, ServiceControl& services = SystemServiceControl(),
                           PortRecordStore& store = RegistryPortRecordStore());

  PortConfig m_PortConfig;
  ModelCatalogue m_ModelCatalogue;
  CButton m_btnAbout;
  CListCtrl m_PortList;
  char m_szPortName[120] = {};
  int m_nSel = -1;

  // Re-reads ports and printers and rebuilds the list.
  void FillPortList();
  // The first selected row, copying its port name into m_szPortName; -1 for none.
  int GetSelectedPort();
  // Re-reads the selection and enables Delete and Configure for the monitor's ports.
  void UpdatePortButtons();

  static const AFX_MSGMAP messageMap;

 protected:
  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  void OnSysCommand(UINT nID, LPARAM lParam);
  void OnPaint();
  HCURSOR OnQueryDragIcon();
  void OnClickPortList(NMHDR* pNotifyStruct, LRESULT* pResult);
  LRESULT OnSelectionMoved(WPARAM, LPARAM);
  void OnAboutButton();
  void OnAddPort();
  void OnConfigurePort();
  void OnDeletePort();

 private:
  void AddAboutToSystemMenu();
  void ReadPorts();
  void ReadPrinters();
  void ShowPort(int row, const PortEntry& port, const PrinterUseIndex& users);

  std::vector<PortEntry> m_ports;
  std::vector<PrinterEntry> m_printers;
  ServiceControl& m_services;
  PortRecordStore& m_store;
  CImageList m_ImageList;
  HICON m_hIcon;
};

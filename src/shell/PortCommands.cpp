// The main dialog's port commands: Add Port, and Configure Port and Delete Port on the
// selected row.
#include <windows.h>

#include <winspool.h>

#include "AddPortWizard.h"
#include "PortConfigDlg.h"
#include "PortManagerDlg.h"
#include "StringTable.h"
#include "SystemError.h"
#include "resource.h"

namespace {
constexpr int kPortColumn = 1;
constexpr int kPrinterColumn = 3;
}  // namespace

// Runs the add-port wizard on a reset record; Finish writes the port itself. The list
// is re-read however the wizard ended.
void CPortManagerDlg::OnAddPort() {
  RunAddPortWizard(this, m_PortConfig, m_ModelCatalogue, m_services, m_store);
  FillPortList();
  UpdatePortButtons();
}

void CPortManagerDlg::OnConfigurePort() {
  char portName[100];
  m_PortList.GetItemText(m_nSel, kPortColumn, portName, sizeof portName);
  char printers[1024];
  m_PortList.GetItemText(m_nSel, kPrinterColumn, printers, sizeof printers);
  m_store.Read(portName, m_PortConfig);  // a port without a record opens with the defaults
  CPortConfigDlg dialog(this, m_PortConfig, m_store, printers);
  if (dialog.DoModal() != IDABORT) return;
  FillPortList();  // the port was deleted meanwhile
  UpdatePortButtons();
}

// A port that a printer of the list uses is refused; the spooler refuses one that a
// printer has taken since the list was filled.
void CPortManagerDlg::OnDeletePort() {
  char printers[1024];
  m_PortList.GetItemText(m_nSel, kPrinterColumn, printers, sizeof printers);
  const std::string caption = AfxLoadString(IDS_APP_TITLE);
  if (printers[0] != '\0') {
    MessageBox(AfxLoadString(IDS_PORT_IN_USE).c_str(), caption.c_str(), MB_OK | MB_ICONSTOP);
    return;
  }
  if (MessageBox(AfxLoadString(IDS_CONFIRM_DELETE).c_str(), caption.c_str(), MB_OKCANCEL | MB_ICONEXCLAMATION) ==
      IDCANCEL)
    return;
  if (!DeletePortA(nullptr, nullptr, m_szPortName)) {
    ShowSystemError(GetLastError(), true);
    return;
  }
  FillPortList();
  UpdatePortButtons();
}

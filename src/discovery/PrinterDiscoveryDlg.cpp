#include "PrinterDiscoveryDlg.h"

#include <cstdio>

#include "DiscoveryScope.h"
#include "Dpi.h"
#include "PrinterSearch.h"
#include "StringTable.h"
#include "SubnetsDlg.h"
#include "TextField.h"
#include "resource.h"

const AFX_MSGMAP CPrinterDiscoveryDlg::messageMap{
    BaseMessageMap<CPrinterDiscoveryDlg>(),
    {
        ON_BN_CLICKED(IDC_DISCOVERY_OK, &CPrinterDiscoveryDlg::OnOkButton),
        ON_NOTIFY(NM_DBLCLK, IDC_DISCOVERY_LIST, &CPrinterDiscoveryDlg::OnDoubleClickList),
        ON_BN_CLICKED(IDC_DISCOVERY_CANCEL, &CPrinterDiscoveryDlg::OnCancel),
        ON_BN_CLICKED(IDC_DISCOVERY_SUBNETS, &CPrinterDiscoveryDlg::OnSubnets),
        ON_BN_CLICKED(IDC_DISCOVERY_REFRESH, &CPrinterDiscoveryDlg::OnRefresh),
    }};

CPrinterDiscoveryDlg::CPrinterDiscoveryDlg() : WithMessageMap(IDD_PRINTER_DISCOVERY) {}

CPrinterDiscoveryDlg::~CPrinterDiscoveryDlg() { StopSearch(); }

void CPrinterDiscoveryDlg::DoDataExchange(CDataExchange* pDX) { DDX_Control(pDX, IDC_DISCOVERY_LIST, m_list); }

BOOL CPrinterDiscoveryDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  for (int column = 0; column < 3; ++column)
    m_list.InsertColumn(column, AfxLoadString(IDS_PRINTER_NAME + static_cast<UINT>(column)).c_str(), LVCFMT_LEFT);
  for (int column = 0; column < 3; ++column) m_list.SetColumnWidth(column, AfxScaleByDpi(110));
  m_list.SetExtendedStyle(LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  StartSearch();
  return TRUE;
}

namespace {
// The list shows every printer found alike, whichever SNMP version answered.
int CALLBACK ListFoundPrinter(DiscoveredPrinter* printer, uint32_t, void* context) {
  return DiscoveryCallback(printer, context);
}
}  // namespace

void CPrinterDiscoveryDlg::StartSearch() {
  m_context.words[0] = m_context.words[1] = m_context.words[6] = 0;
  StartPrinterSearch(&m_context, &ListFoundPrinter, this);
  m_bSearching = true;
  for (const auto& [address, mask] : ReadDiscoveryScope().subnets)
    AddDiscoverySubnet(&m_context, MakeDiscoverySubnet(address, mask), 0, 0);
}

void CPrinterDiscoveryDlg::StopSearch() {
  if (!m_bSearching) return;
  StopDiscovery(&m_context);
  m_bSearching = false;
}

int CPrinterDiscoveryDlg::GetSelectedIndex() const { return FirstSelectedItem(m_list); }

// The selection is read once the search has stopped: a row that a callback inserted
// during the stop has moved the selected row down.
void CPrinterDiscoveryDlg::OnOkButton() {
  StopSearch();
  int selected = GetSelectedIndex();
  if (selected == -1)
    m_szSelectedAddress[0] = '\0';
  else
    m_list.GetItemText(selected, 1, m_szSelectedAddress, 30);
  EndDialog(IDOK);
}

void CPrinterDiscoveryDlg::OnOK() { OnOkButton(); }

void CPrinterDiscoveryDlg::OnCancel() {
  StopSearch();
  EndDialog(IDCANCEL);
}

void CPrinterDiscoveryDlg::OnDoubleClickList(NMHDR*, LRESULT* pResult) {
  if (GetSelectedIndex() != -1) OnOkButton();
  *pResult = 0;
}

void CPrinterDiscoveryDlg::OnSubnets() {
  CSubnetsDlg subnets;
  subnets.DoModal();
}

void CPrinterDiscoveryDlg::OnRefresh() {
  StopSearch();
  m_list.DeleteAllItems();
  StartSearch();
}

int CALLBACK DiscoveryCallback(DiscoveredPrinter* printer, void* context) {
  auto* dialog = static_cast<CPrinterDiscoveryDlg*>(context);
  char address[100];
  std::snprintf(address, sizeof address, "%u.%u.%u.%u", printer->address >> 24, (printer->address >> 16) & 0xFF,
                (printer->address >> 8) & 0xFF, printer->address & 0xFF);
  char name[sizeof printer->name];
  char model[sizeof printer->model];
  CopyText(name, TextOf(printer->name, sizeof printer->name));
  CopyText(model, TextOf(printer->model, sizeof printer->model));
  dialog->m_list.InsertItem(0, name);
  dialog->m_list.SetItemText(0, 1, address);
  return dialog->m_list.SetItemText(0, 2, model);
}

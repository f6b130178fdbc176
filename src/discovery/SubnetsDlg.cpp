#include "SubnetsDlg.h"

#include <cstdio>
#include <cstdlib>

#include "DiscoveryScope.h"
#include "Dpi.h"
#include "StringTable.h"
#include "SystemError.h"
#include "resource.h"

namespace {

constexpr int kAddressParts[4] = {IDC_SUBNET_ADDRESS1, IDC_SUBNET_ADDRESS2, IDC_SUBNET_ADDRESS3, IDC_SUBNET_ADDRESS4};
constexpr int kMaskParts[4] = {IDC_SUBNET_MASK1, IDC_SUBNET_MASK2, IDC_SUBNET_MASK3, IDC_SUBNET_MASK4};
constexpr int kPartRead = 4;  // at most 3 characters

std::string Formatted(UINT id, const std::string& text) {
  std::string format = AfxLoadString(id);
  std::vector<char> message(format.size() + text.size() + 1);
  std::snprintf(message.data(), message.size(), format.c_str(), text.c_str());
  return message.data();
}

}  // namespace

const AFX_MSGMAP CSubnetsDlg::messageMap{BaseMessageMap<CSubnetsDlg>(),
                                         {
                                             ON_BN_CLICKED(IDC_SUBNET_ADD, &CSubnetsDlg::OnAdd),
                                             ON_BN_CLICKED(IDC_SUBNET_REMOVE, &CSubnetsDlg::OnRemove),
                                             ON_BN_CLICKED(IDC_SUBNETS_OK, &CSubnetsDlg::OnOkButton),
                                             ON_BN_CLICKED(IDC_SUBNETS_CANCEL, &CSubnetsDlg::OnCancel),
                                         }};

CSubnetsDlg::CSubnetsDlg() : WithMessageMap(IDD_SUBNETS) {}

void CSubnetsDlg::DoDataExchange(CDataExchange* pDX) { DDX_Control(pDX, IDC_SUBNET_LIST, m_list); }

BOOL CSubnetsDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  for (int id : kAddressParts) SendDlgItemMessage(id, EM_LIMITTEXT, 3);
  for (int id : kMaskParts) SendDlgItemMessage(id, EM_LIMITTEXT, 3);
  m_list.InsertColumn(0, AfxLoadString(IDS_SUBNET_ADDRESSES).c_str(), LVCFMT_LEFT);
  m_list.SetColumnWidth(0, AfxScaleByDpi(120));
  return TRUE;
}

std::string CSubnetsDlg::DottedText(const int (&parts)[4]) const {
  std::string text;
  for (int i = 0; i < 4; ++i) {
    char part[kPartRead] = {};
    GetDlgItemText(parts[i], part, kPartRead);
    text += (i == 0 ? "" : ".") + std::string(part);
  }
  return text;
}

bool CSubnetsDlg::PartsValid(const int (&parts)[4], bool mask) const {
  for (int i = 0; i < 4; ++i) {
    char part[kPartRead] = {};
    GetDlgItemText(parts[i], part, kPartRead);
    int value = std::atoi(part);
    if (mask && i < 2) {
      if (value != 255) return false;
    } else if (part[0] == '\0' || value > 255) {
      return false;
    }
  }
  return true;
}

// Beyond the parts, an address must name a unicast network (127.x included) and a mask
// must be contiguous, so that a search never asks broadcast, multicast or reserved
// addresses.
void CSubnetsDlg::OnAdd() {
  std::string address = DottedText(kAddressParts);
  if (!PartsValid(kAddressParts, false) || !IsStorableSubnetAddress(address.c_str())) {
    MessageBox(Formatted(IDS_INVALID_SUBNET_ADDRESS, address).c_str(), "Subnet Address", MB_OK | MB_ICONERROR);
    return;
  }
  m_list.InsertItem(m_list.GetItemCount(), address.c_str());
}

void CSubnetsDlg::OnRemove() {
  int selected = FirstSelectedItem(m_list);
  if (selected != -1) m_list.DeleteItem(selected);
}

void CSubnetsDlg::OnOkButton() {
  std::string mask = DottedText(kMaskParts);
  if (!PartsValid(kMaskParts, true) || !IsStorableSubnetMask(mask.c_str())) {
    MessageBox(Formatted(IDS_INVALID_SUBNET_MASK, mask).c_str(), "Subnet Mask", MB_OK | MB_ICONERROR);
    return;
  }
  if (const long error = StoreScope(StoredScope{mask, ListedAddresses()})) {
    ShowSystemError(static_cast<DWORD>(error), true, m_hWnd);
    return;
  }
  EndDialog(IDOK);
}

std::vector<std::string> CSubnetsDlg::ListedAddresses() {
  std::vector<std::string> addresses;
  for (int row = 0, count = m_list.GetItemCount(); row < count; ++row) {
    char address[100];
    m_list.GetItemText(row, 0, address, sizeof address);
    addresses.emplace_back(address);
  }
  return addresses;
}

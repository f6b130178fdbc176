#pragma once
// Lets the user give a subnet mask and subnet addresses that extend the printer search,
// and stores them as the discovery scope.
#include <string>
#include <vector>

#include "Controls.h"
#include "Dialog.h"

class CSubnetsDlg : public WithMessageMap<CSubnetsDlg, CDialog> {
 public:
  CSubnetsDlg();

  static const AFX_MSGMAP messageMap;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;
  void OnAdd();
  void OnRemove();
  void OnOkButton();

 private:
  // The dotted text of four part edits, each part as typed; valid when every part is
  // non-empty and at most 255 (the mask's first two parts must be 255).
  std::string DottedText(const int (&parts)[4]) const;
  bool PartsValid(const int (&parts)[4], bool mask) const;
  // The subnet addresses of the list, in its order.
  std::vector<std::string> ListedAddresses();

  CListCtrl m_list;
};

// Must not build: a class that declares a map but derives from its base directly.
#include "Dialog.h"

class DirectDlg : public CDialog {
 public:
  DirectDlg() : CDialog(1) {}
  void OnPing() {}
  static const AFX_MSGMAP messageMap;
};

const AFX_MSGMAP DirectDlg::messageMap{BaseMessageMap<DirectDlg>(), {ON_BN_CLICKED(1, &DirectDlg::OnPing)}};

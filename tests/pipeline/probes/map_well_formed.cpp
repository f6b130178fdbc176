// Builds: the control case of the probes above.
#include "Dialog.h"

class WellFormedDlg : public WithMessageMap<WellFormedDlg, CDialog> {
 public:
  WellFormedDlg() : WithMessageMap(1) {}
  void OnPing() {}
  static const AFX_MSGMAP messageMap;
};

const AFX_MSGMAP WellFormedDlg::messageMap{BaseMessageMap<WellFormedDlg>(), {ON_BN_CLICKED(1, &WellFormedDlg::OnPing)}};
const AFX_MSGMAP* Probe() { return WellFormedDlg().GetMessageMap(); }

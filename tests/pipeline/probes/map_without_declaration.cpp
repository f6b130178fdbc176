// Must not build: a class that takes the message map base but declares no map.
#include "Dialog.h"

class NoMapDlg : public WithMessageMap<NoMapDlg, CDialog> {
 public:
  NoMapDlg() : WithMessageMap(1) {}
};

const AFX_MSGMAP* Probe() { return NoMapDlg().GetMessageMap(); }

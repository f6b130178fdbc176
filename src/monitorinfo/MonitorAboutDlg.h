#pragma once
// The port monitor's About box: the installed versions of the monitor's components.
#include "Dialog.h"

class CMonitorAboutDlg : public WithMessageMap<CMonitorAboutDlg, CDialog> {
 public:
  CMonitorAboutDlg();

  static const AFX_MSGMAP messageMap;

 protected:
  BOOL OnInitDialog() override;
};

// Replaces the path in a 260-byte buffer with the file's version ("2.1.0.17") and
// returns 1; returns 0 and leaves the buffer alone when the file has no version.
int GetFileVersionText(char* path);

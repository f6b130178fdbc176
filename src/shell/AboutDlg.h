#pragma once
// The program's About box.
#include "Dialog.h"

class CAboutDlg : public CDialog {
 public:
  CAboutDlg();
};

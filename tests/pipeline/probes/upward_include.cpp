// Must not build: the store reaching up into a dialog.
#include "PortConfigDlg.h"

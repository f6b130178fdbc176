#include "OpenPpg.h"

#include "resource.h"

COpenPpg::COpenPpg(CAddPortSht*) : CPropertyPage(IDD_WELCOME_PAGE) {}

#pragma once
// The wizard's welcome page: it only explains what comes.
#include "AddPortSht.h"
#include "PropertyPage.h"

class COpenPpg : public CPropertyPage {
 public:
  explicit COpenPpg(CAddPortSht* pSheet);
};

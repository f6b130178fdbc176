#pragma once
// The add-port wizard run from start to end: the sheet and its four pages on a reset
// record. The Port Manager's Add Port and the monitor's UI library both run it.
#include "ModelCatalogue.h"
#include "PortConfig.h"
#include "PortRecordStore.h"
#include "ServiceControl.h"
#include "Wnd.h"

// The sheet's result: ID_WIZFINISH when Finish ended it, IDCANCEL otherwise. Finish
// adds the port to the store and restarts the spooler through the services where the
// system needs it.
INT_PTR RunAddPortWizard(CWnd* pParentWnd, PortConfig& config, const ModelCatalogue& catalogue,
                         ServiceControl& services, PortRecordStore& store);

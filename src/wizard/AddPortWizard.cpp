#include "AddPortWizard.h"

#include <utility>

#include "AddPortPpg.h"
#include "AddPortSht.h"
#include "AdditonalInfoPpg.h"
#include "CompletPpg.h"
#include "MonitorRegistry.h"
#include "OpenPpg.h"
#include "StringTable.h"
#include "resource.h"

INT_PTR RunAddPortWizard(CWnd* pParentWnd, PortConfig& config, const ModelCatalogue& catalogue,
                         ServiceControl& services, PortRecordStore& store) {
  CAddPortSht sheet(AfxLoadString(IDS_ADD_PORT_TITLE).c_str(), pParentWnd, kWelcomePage, &config, &catalogue);
  ResetPortConfig(config);
  sheet.Construct(kMonitorName, nullptr, kWelcomePage);
  COpenPpg welcome(&sheet);
  CAddPortPpg nameAndAddress(&sheet);
  CAdditonalInfoPpg additionalInfo(&sheet);
  CCompletPpg completion(&sheet, services, store);
  const std::pair<CPropertyPage*, UINT> pages[] = {{&welcome, IDD_WELCOME_PAGE},
                                                   {&nameAndAddress, IDD_ADD_PORT_PAGE},
                                                   {&additionalInfo, IDD_ADDITIONAL_INFO_PAGE},
                                                   {&completion, IDD_COMPLETION_PAGE}};
  for (const auto& [page, templateId] : pages) {
    page->Construct(templateId);
    page->m_psp.dwFlags &= ~PSP_HASHELP;
    sheet.AddPage(page);
  }
  sheet.m_psh.dwFlags |= PSH_WIZARD | PSH_NOAPPLYNOW;
  sheet.m_psh.dwFlags &= ~PSH_HASHELP;
  return sheet.DoModal();
}

// Reading the spooler's ports and printers into the main dialog's list.
#include <windows.h>

#include <winspool.h>

#include <cstring>
#include <string>
#include <string_view>

#include "MonitorRegistry.h"
#include "PortManagerDlg.h"
#include "SpoolerLists.h"
#include "StringTable.h"
#include "TextField.h"
#include "resource.h"

namespace {

// Image 0 of the list's image list is the monitor's port icon; index 1 has no image.
constexpr int kMonitorPortImage = 0;
constexpr int kNoImage = 1;
// The printer column holds at most this many characters.
constexpr size_t kPrinterTextCapacity = 512;

}  // namespace

void CPortManagerDlg::ReadPorts() {
  for (const SpoolerPort& port : SpoolerPorts()) {
    PortEntry& entry = m_ports.emplace_back();
    CopyText(entry.name, port.name);
    CopyText(entry.monitor, port.monitor);
  }
}

void CPortManagerDlg::ReadPrinters() {
  for (const SpoolerPrinter& printer : LocalPrinters(5)) {
    PrinterEntry& entry = m_printers.emplace_back();
    CopyText(entry.name, printer.name);
    CopyText(entry.ports, printer.ports);
  }
}

void CPortManagerDlg::ShowPort(int row, const PortEntry& port, const PrinterUseIndex& users) {
  const bool monitorPort = std::strcmp(port.monitor, kMonitorName) == 0;
  m_PortList.InsertItem(row, "", monitorPort ? kMonitorPortImage : kNoImage);
  m_PortList.SetItemText(row, 1, port.name);
  m_PortList.SetItemText(row, 2, port.monitor);
  char text[kPrinterTextCapacity];
  CopyText(text, users.PrintersOf(port.name));
  m_PortList.SetItemText(row, 3, text);
}

void CPortManagerDlg::FillPortList() {
  m_PortList.DeleteAllItems();
  m_ports.clear();
  m_printers.clear();
  ReadPorts();
  if (m_ports.empty()) {
    MessageBox(AfxLoadString(IDS_NO_PORTS).c_str(), AfxLoadString(IDS_APP_TITLE).c_str(), MB_OK | MB_ICONINFORMATION);
    return;
  }
  ReadPrinters();
  PrinterUseIndex users;
  for (const PrinterEntry& printer : m_printers) users.Add(printer.name, printer.ports);
  // The rows go in without redrawing: the list view would otherwise lay itself out
  // again for every row, which makes a long list slow.
  m_PortList.SetRedraw(FALSE);
  m_PortList.SetItemCount(static_cast<int>(m_ports.size()));
  for (size_t i = 0; i < m_ports.size(); ++i) ShowPort(static_cast<int>(i), m_ports[i], users);
  m_PortList.SetRedraw(TRUE);
  m_PortList.Invalidate();
}

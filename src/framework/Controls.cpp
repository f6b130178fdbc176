#include "Controls.h"

#include <algorithm>
#include <cstring>
#include <vector>

CImageList::~CImageList() {
  if (m_hImageList != nullptr) ImageList_Destroy(m_hImageList);
}

BOOL CImageList::Create(int cx, int cy, UINT nFlags, int nInitial, int nGrow) {
  if (m_hImageList != nullptr) ImageList_Destroy(m_hImageList);
  m_hImageList = ImageList_Create(cx, cy, nFlags, nInitial, nGrow);
  return m_hImageList != nullptr;
}

int CImageList::Add(HICON hIcon) { return ImageList_AddIcon(m_hImageList, hIcon); }

int CListCtrl::InsertColumn(int nCol, const char* heading, int nFormat, int nWidth) {
  LVCOLUMNA column{};
  column.mask = LVCF_TEXT | LVCF_FMT | (nWidth >= 0 ? LVCF_WIDTH : 0);
  column.fmt = nFormat;
  column.cx = nWidth;
  column.pszText = const_cast<char*>(heading);
  return static_cast<int>(SendMessage(LVM_INSERTCOLUMNA, nCol, reinterpret_cast<LPARAM>(&column)));
}

BOOL CListCtrl::SetColumnWidth(int nCol, int cx) {
  return static_cast<BOOL>(SendMessage(LVM_SETCOLUMNWIDTH, nCol, MAKELPARAM(cx, 0)));
}

DWORD CListCtrl::SetExtendedStyle(DWORD dwNewStyle, DWORD dwMask) {
  return static_cast<DWORD>(SendMessage(LVM_SETEXTENDEDLISTVIEWSTYLE, dwMask, dwNewStyle));
}

void CListCtrl::SetImageList(CImageList* pImageList, int nImageListType) {
  SendMessage(LVM_SETIMAGELIST, nImageListType, reinterpret_cast<LPARAM>(pImageList->m_hImageList));
}

int CListCtrl::InsertItem(int nItem, const char* text) {
  LVITEMA item{};
  item.mask = LVIF_TEXT;
  item.iItem = nItem;
  item.pszText = const_cast<char*>(text);
  return static_cast<int>(SendMessage(LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

int CListCtrl::InsertItem(int nItem, const char* text, int nImage) {
  LVITEMA item{};
  item.mask = LVIF_TEXT | LVIF_IMAGE;
  item.iItem = nItem;
  item.pszText = const_cast<char*>(text);
  item.iImage = nImage;
  return static_cast<int>(SendMessage(LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

BOOL CListCtrl::DeleteItem(int nItem) { return static_cast<BOOL>(SendMessage(LVM_DELETEITEM, nItem)); }
BOOL CListCtrl::DeleteAllItems() { return static_cast<BOOL>(SendMessage(LVM_DELETEALLITEMS)); }

BOOL CListCtrl::SetItemText(int nItem, int nSubItem, const char* text) {
  LVITEMA item{};
  item.iSubItem = nSubItem;
  item.pszText = const_cast<char*>(text);
  return static_cast<BOOL>(SendMessage(LVM_SETITEMTEXTA, nItem, reinterpret_cast<LPARAM>(&item)));
}

int CListCtrl::GetItemCount() const { return static_cast<int>(SendMessage(LVM_GETITEMCOUNT)); }
void CListCtrl::SetItemCount(int nItems) { SendMessage(LVM_SETITEMCOUNT, nItems); }

UINT CListCtrl::GetItemState(int nItem, UINT nMask) const {
  return static_cast<UINT>(SendMessage(LVM_GETITEMSTATE, nItem, nMask));
}

// The list view is asked into a buffer of our own that grows until the text fits, then
// the text is cut into the caller's buffer: the ANSI list view can write past a short
// buffer that it is given directly.
int CListCtrl::GetItemText(int nItem, int nSubItem, char* text, int nLen) const {
  if (nLen <= 0) return 0;
  std::vector<char> whole(256);
  for (;;) {
    LVITEMA item{};
    item.iSubItem = nSubItem;
    item.pszText = whole.data();
    item.cchTextMax = static_cast<int>(whole.size() - 1);
    auto length = static_cast<size_t>(SendMessage(LVM_GETITEMTEXTA, nItem, reinterpret_cast<LPARAM>(&item)));
    if (length + 1 < whole.size() - 1) break;
    whole.assign(whole.size() * 2, '\0');
  }
  size_t copied = std::min(std::strlen(whole.data()), static_cast<size_t>(nLen - 1));
  std::memcpy(text, whole.data(), copied);
  text[copied] = '\0';
  return static_cast<int>(copied);
}

int FirstSelectedItem(const CListCtrl& list) {
  for (int row = 0, count = list.GetItemCount(); row < count; ++row)
    if (list.GetItemState(row, LVIS_SELECTED) & LVIS_SELECTED) return row;
  return -1;
}

int CComboBox::AddString(const char* text) {
  return static_cast<int>(SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)));
}
int CComboBox::SetCurSel(int nSelect) { return static_cast<int>(SendMessage(CB_SETCURSEL, nSelect)); }
int CComboBox::GetCurSel() const { return static_cast<int>(SendMessage(CB_GETCURSEL)); }

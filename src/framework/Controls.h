#pragma once
// Wrappers of the common controls that the program's dialogs use.
#include <windows.h>

#include <commctrl.h>

#include "Wnd.h"

class CImageList {
 public:
  CImageList() = default;
  CImageList(const CImageList&) = delete;
  CImageList& operator=(const CImageList&) = delete;
  ~CImageList();

  HIMAGELIST m_hImageList = nullptr;
  BOOL Create(int cx, int cy, UINT nFlags, int nInitial, int nGrow);
  // The index of the added image, or -1.
  int Add(HICON hIcon);
};

class CListCtrl : public CWnd {
 public:
  int InsertColumn(int nCol, const char* heading, int nFormat = LVCFMT_LEFT, int nWidth = -1);
  BOOL SetColumnWidth(int nCol, int cx);
  // Sets the extended style bits under the mask; a mask of 0 replaces every bit.
  DWORD SetExtendedStyle(DWORD dwNewStyle, DWORD dwMask = 0);
  void SetImageList(CImageList* pImageList, int nImageListType);
  int InsertItem(int nItem, const char* text);
  int InsertItem(int nItem, const char* text, int nImage);
  BOOL DeleteItem(int nItem);
  BOOL DeleteAllItems();
  BOOL SetItemText(int nItem, int nSubItem, const char* text);
  int GetItemCount() const;
  // Makes room for this many rows before they are inserted.
  void SetItemCount(int nItems);
  UINT GetItemState(int nItem, UINT nMask) const;
  // Copies at most nLen - 1 characters and terminates; returns the length copied.
  int GetItemText(int nItem, int nSubItem, char* text, int nLen) const;
};

// The first selected row, from 0 up, or -1.
int FirstSelectedItem(const CListCtrl& list);

class CComboBox : public CWnd {
 public:
  int AddString(const char* text);
  int SetCurSel(int nSelect);
  int GetCurSel() const;
};

class CButton : public CWnd {};

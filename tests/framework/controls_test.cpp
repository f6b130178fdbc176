// Control wrappers and menus through real windows.
#include <gtest/gtest.h>

#include "robot.h"
#include "test_dialogs.h"

namespace {

TEST(ListCtrl, ColumnsRowsStateAndTextIntoAFixedBuffer) {
  RoutingDlg dialog;
  Drive([&] { dialog.DoModal(); },
        [&](Robot& robot) {
          Window box = robot.Expect("Data exchange");
          EXPECT_EQ(box.ListHeaders(IDC_LIST), (std::vector<std::string>{"Port", "Printer"}));
          std::vector<int> widths = box.ListColumnWidths(IDC_LIST);
          EXPECT_EQ(widths[0], 80);
          EXPECT_GT(widths[1], 80);  // the rest of the list's width
          EXPECT_EQ(box.ListRows(IDC_LIST)[2], (std::vector<std::string>{"P10", "Office printer"}));
          EXPECT_EQ(dialog.m_list.GetItemCount(), 3);
          EXPECT_EQ(SendMessageA(dialog.m_list.m_hWnd, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0), LVS_EX_FULLROWSELECT);
          dialog.m_list.SetExtendedStyle(LVS_EX_GRIDLINES, LVS_EX_GRIDLINES);  // only the masked bit changes
          EXPECT_EQ(SendMessageA(dialog.m_list.m_hWnd, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0),
                    LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
          dialog.m_list.SetExtendedStyle(LVS_EX_FULLROWSELECT);  // mask 0: every other bit cleared
          EXPECT_EQ(SendMessageA(dialog.m_list.m_hWnd, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0), LVS_EX_FULLROWSELECT);

          box.ClickListRow(IDC_LIST, 2);
          robot.WaitUntil([&] { return dialog.m_list.GetItemState(2, LVIS_SELECTED) == LVIS_SELECTED; }, "row 2 selected");
          char cut[5] = "????";
          EXPECT_EQ(dialog.m_list.GetItemText(2, 1, cut, sizeof cut), 4);
          EXPECT_STREQ(cut, "Offi");

          dialog.m_list.DeleteItem(0);
          EXPECT_EQ(box.ListRows(IDC_LIST).size(), 2u);
          dialog.m_list.DeleteAllItems();
          EXPECT_EQ(dialog.m_list.GetItemCount(), 0);
          box.Click(IDCANCEL);
        });
}

TEST(ListCtrl, ImageListIconsShowOnlyWhereAnImageExists) {
  CImageList images;
  ASSERT_TRUE(images.Create(24, 24, ILC_COLOR4, 0, 10));
  EXPECT_EQ(images.Add(LoadIcon(nullptr, IDI_APPLICATION)), 0);
  EXPECT_EQ(ImageList_GetImageCount(images.m_hImageList), 1);
  int cx = 0, cy = 0;
  ImageList_GetIconSize(images.m_hImageList, &cx, &cy);
  EXPECT_EQ(cx, 24);

  RoutingDlg dialog;
  Drive([&] { dialog.DoModal(); },
        [&](Robot& robot) {
          Window box = robot.Expect("Data exchange");
          dialog.m_list.SetImageList(&images, LVSIL_SMALL);
          dialog.m_list.InsertItem(3, "P2", 1);
          EXPECT_EQ(box.ListImages(IDC_LIST), (std::vector<int>{0, 0, 0, 1}));
          EXPECT_EQ(SendMessageA(dialog.m_list.m_hWnd, LVM_GETIMAGELIST, LVSIL_SMALL, 0),
                    reinterpret_cast<LRESULT>(images.m_hImageList));
          box.Click(IDCANCEL);
        });
}

TEST(ComboBox, AddSelectAndReadTheUsersChoice) {
  RoutingDlg dialog;
  Drive([&] { dialog.DoModal(); },
        [&](Robot& robot) {
          Window box = robot.Expect("Data exchange");
          EXPECT_EQ(box.ComboItems(IDC_COMBO), (std::vector<std::string>{"Raw", "LPR"}));
          EXPECT_EQ(dialog.m_combo.GetCurSel(), 0);
          box.ChooseComboItem(IDC_COMBO, 1);
          robot.WaitUntil([&] { return dialog.m_combo.GetCurSel() == 1; }, "the chosen item");
          EXPECT_EQ(box.ComboSelection(IDC_COMBO), 1);
          box.Check(IDC_CHOICE);
          robot.WaitUntil([&] { return box.Checked(IDC_CHOICE); }, "the box checked");
          EXPECT_EQ(dialog.IsDlgButtonChecked(IDC_CHOICE), static_cast<UINT>(BST_CHECKED));
          box.Click(IDCANCEL);
        });
}

TEST(Menu, PopupMenuChoiceReachesTheOwnerAsACommand) {
  RoutingDlg dialog;
  Drive([&] { dialog.DoModal(); },
        [&](Robot& robot) {
          Window box = robot.Expect("Data exchange");
          box.Click(IDC_MENU_BUTTON);
          Window menu = robot.ExpectMenu();
          EXPECT_EQ(menu.MenuItems(), (std::vector<std::string>{"First", "Second"}));
          RECT button{}, shown{};
          GetWindowRect(GetDlgItem(box.Handle(), IDC_MENU_BUTTON), &button);
          GetWindowRect(menu.Handle(), &shown);
          EXPECT_EQ(shown.left, button.right);
          EXPECT_EQ(shown.top, button.top);
          menu.ChooseMenuItem("Second");
          robot.WaitUntil([&] { return dialog.lastMenuCommand == ID_MENU_SECOND; }, "the Second command");

          box.Click(IDC_MENU_BUTTON);
          robot.ExpectMenu().DismissMenu();
          robot.Expect("Data exchange").Click(IDCANCEL);
        });
  EXPECT_EQ(dialog.lastMenuCommand, ID_MENU_SECOND);
}

TEST(Menu, SystemMenuItemAppendedAtTheEndSendsItsCommand) {
  RoutingDlg dialog;
  Drive([&] { dialog.DoModal(); },
        [&](Robot& robot) {
          Window box = robot.Expect("Data exchange");
          box.OpenSystemMenu();
          Window menu = robot.ExpectMenu();
          std::vector<std::string> items = menu.MenuItems();
          ASSERT_GE(items.size(), 2u);
          EXPECT_EQ(items[items.size() - 2], "-");
          EXPECT_EQ(items.back(), "About the test...");
          menu.ChooseMenuItem("About the test...");
          robot.WaitUntil([&] { return dialog.sysCommandId == kSysAbout; }, "WM_SYSCOMMAND with the item's id");
          robot.Expect("Data exchange").Click(IDCANCEL);
        });
}

}  // namespace

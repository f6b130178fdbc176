// Property sheets in wizard mode through real windows: page order, refusals, jumps from
// a Next handler, posted wizard buttons, Finish and Cancel. In wizard mode the window
// shows the caption of the page on display, so the sheet is found as "Welcome".
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <stdexcept>

#include "PropertySheet.h"
#include "robot.h"
#include "screenshots.h"
#include "test_ids.h"

namespace {

struct HookCounts {
  int inits = 0, activations = 0, nexts = 0, backs = 0, finishes = 0;
  bool operator==(const HookCounts&) const = default;
};

class CountingPage : public CPropertyPage {
 public:
  explicit CountingPage(UINT id) : CPropertyPage(id) { m_psp.dwFlags &= ~PSP_HASHELP; }
  HookCounts hooks;
  std::function<LRESULT()> nextAnswer;
  DWORD buttonsOnActivation = 0;  // 0 leaves the wizard buttons as they are

  std::function<void()> onInit;
  BOOL OnInitDialog() override {
    ++hooks.inits;
    if (onInit) onInit();
    return CPropertyPage::OnInitDialog();
  }
  BOOL OnSetActive() override {
    ++hooks.activations;
    if (buttonsOnActivation != 0) ::PostMessageA(::GetParent(m_hWnd), PSM_SETWIZBUTTONS, 0, buttonsOnActivation);
    return CPropertyPage::OnSetActive();
  }
  LRESULT OnWizardNext() override {
    ++hooks.nexts;
    return nextAnswer ? nextAnswer() : CPropertyPage::OnWizardNext();
  }
  LRESULT OnWizardBack() override {
    ++hooks.backs;
    return CPropertyPage::OnWizardBack();
  }
  BOOL OnWizardFinish() override {
    ++hooks.finishes;
    return CPropertyPage::OnWizardFinish();
  }
};

class TestSheet : public WithMessageMap<TestSheet, CPropertySheet> {
 public:
  TestSheet() : WithMessageMap("Test wizard") {}
  int initMenus = 0;

  BOOL OnInitDialog() override {
    BOOL result = CPropertySheet::OnInitDialog();
    PostMessage(PSM_SETWIZBUTTONS, 0, PSWIZB_NEXT);
    return result;
  }
  void OnInitMenu(HMENU) {
    ++initMenus;
    Default();
  }
  static const AFX_MSGMAP messageMap;
};
const AFX_MSGMAP TestSheet::messageMap{BaseMessageMap<TestSheet>(), {ON_WM_INITMENU(&TestSheet::OnInitMenu)}};

class Wizard : public testing::Test {
 protected:
  Wizard() {
    for (UINT id : {IDD_PAGE0, IDD_PAGE1, IDD_PAGE2, IDD_PAGE3}) {
      pages.push_back(std::make_unique<CountingPage>(id));
      sheet.AddPage(pages.back().get());
    }
    pages[1]->buttonsOnActivation = PSWIZB_BACK | PSWIZB_NEXT;
    pages[2]->buttonsOnActivation = PSWIZB_BACK | PSWIZB_NEXT;
    sheet.m_psh.dwFlags |= PSH_WIZARD | PSH_NOAPPLYNOW;
    sheet.m_psh.dwFlags &= ~PSH_HASHELP;
  }

  INT_PTR Run(const std::function<void(Robot&)>& script) {
    INT_PTR result = 0;
    Drive([&] { result = sheet.DoModal(); }, script);
    return result;
  }

  // Waits until the sheet shows the page with this index.
  static void ExpectPage(Robot& robot, const Window& wizard, int index) {
    robot.WaitUntil([&] { return wizard.SheetPage() == index; }, "page " + std::to_string(index));
  }

  TestSheet sheet;
  std::vector<std::unique_ptr<CountingPage>> pages;
};

TEST_F(Wizard, DefaultNextAndBackFollowThePageOrder) {
  Run([&](Robot& robot) {
    Window wizard = robot.Expect("Welcome");
    ExpectPage(robot, wizard, 0);
    robot.WaitUntil([&] { return wizard.Wizard() == WizardButtons{false, true, false}; }, "Next alone");
    wizard.Screenshot(ScreenshotPath("framework-wizard.png"));
    wizard.Next();
    ExpectPage(robot, wizard, 1);
    wizard.Back();
    ExpectPage(robot, wizard, 0);
    wizard.Next();
    ExpectPage(robot, wizard, 1);
    wizard.Cancel();
  });
  EXPECT_EQ(pages[1]->hooks.inits, 1);  // created once, kept while the sheet lives
  EXPECT_EQ(pages[1]->hooks.activations, 2);
  EXPECT_EQ(pages[2]->hooks.inits, 0);
}

TEST_F(Wizard, RefusedNextKeepsThePage) {
  pages[1]->nextAnswer = [] { return LRESULT{-1}; };
  Run([&](Robot& robot) {
    Window wizard = robot.Expect("Welcome");
    wizard.Next();
    ExpectPage(robot, wizard, 1);
    wizard.Next();
    robot.WaitUntil([&] { return pages[1]->hooks.nexts == 1; }, "the Next hook");
    EXPECT_EQ(wizard.SheetPage(), 1);
    wizard.Cancel();
  });
  EXPECT_EQ(pages[2]->hooks.activations, 0);
}

TEST_F(Wizard, SetActivePageInsideNextJumpsAndBackFollowsThePageOrder) {
  pages[1]->nextAnswer = [&] {
    sheet.PostMessage(PSM_SETWIZBUTTONS, 0, PSWIZB_BACK | PSWIZB_FINISH);
    sheet.SetActivePage(3);
    return LRESULT{0};
  };
  INT_PTR result = Run([&](Robot& robot) {
    Window wizard = robot.Expect("Welcome");
    wizard.Next();
    ExpectPage(robot, wizard, 1);
    wizard.Next();
    ExpectPage(robot, wizard, 3);
    // Posted from the hook, the buttons apply after the page change: Finish in place of Next.
    EXPECT_EQ(wizard.Wizard(), (WizardButtons{true, false, true}));
    EXPECT_FALSE(wizard.Visible(0x3024));
    EXPECT_EQ(pages[2]->hooks.inits, 0);
    wizard.Back();
    ExpectPage(robot, wizard, 2);
    wizard.Back();
    ExpectPage(robot, wizard, 1);
    wizard.Next();
    ExpectPage(robot, wizard, 3);
    wizard.Finish();
  });
  EXPECT_EQ(result, ID_WIZFINISH);
  EXPECT_EQ(pages[2]->hooks.inits, 1);
  EXPECT_EQ(pages[3]->hooks.finishes, 1);
}

TEST_F(Wizard, SetActivePageOutsideAHookShowsThePageAtOnce) {
  Run([&](Robot& robot) {
    Window wizard = robot.Expect("Welcome");
    sheet.SetActivePage(2);
    EXPECT_EQ(wizard.SheetPage(), 2);
    EXPECT_EQ(pages[2]->hooks.activations, 1);
    wizard.Cancel();
  });
}

TEST_F(Wizard, CancelCallsNoPageHook) {
  HookCounts before;
  INT_PTR result = Run([&](Robot& robot) {
    Window wizard = robot.Expect("Welcome");
    wizard.Next();
    ExpectPage(robot, wizard, 1);
    before = pages[1]->hooks;
    wizard.Cancel();
    robot.ExpectClosed(wizard);
  });
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_EQ(pages[1]->hooks, before);
  EXPECT_EQ(pages[0]->hooks.nexts, 1);
  EXPECT_EQ(pages[0]->hooks.finishes + pages[1]->hooks.finishes, 0);
}

TEST_F(Wizard, ConstructStartsAfreshAndTheHelpButtonFollowsTheFlag) {
  sheet.Construct("Other caption", nullptr, 2);
  sheet.m_psh.dwFlags |= PSH_WIZARD | PSH_NOAPPLYNOW;
  Run([&](Robot& robot) {
    Window wizard = robot.Expect("Details");  // page 2, as the new start page says
    EXPECT_EQ(wizard.SheetPage(), 2);
    EXPECT_TRUE(wizard.Visible(IDHELP));  // Construct brings PSH_HASHELP back
    wizard.Cancel();
  });
  EXPECT_EQ(sheet.GetPageCount(), 4);  // the pages stay
  sheet.Construct("Test wizard", nullptr, 0);
  sheet.m_psh.dwFlags |= PSH_WIZARD | PSH_NOAPPLYNOW;
  sheet.m_psh.dwFlags &= ~PSH_HASHELP;
  Run([&](Robot& robot) {
    Window wizard = robot.Expect("Welcome");
    HWND help = GetDlgItem(wizard.Handle(), IDHELP);
    EXPECT_TRUE(help == nullptr || !IsWindowVisible(help));
    wizard.Cancel();
  });
}

TEST_F(Wizard, SheetMessageMapSeesInitMenu) {
  Run([&](Robot& robot) {
    Window wizard = robot.Expect("Welcome");
    SendMessageA(wizard.Handle(), WM_INITMENU, reinterpret_cast<WPARAM>(GetSystemMenu(wizard.Handle(), FALSE)), 0);
    EXPECT_EQ(sheet.initMenus, 1);
    wizard.Cancel();
  });
}

}  // namespace

namespace {

TEST_F(Wizard, AThrowingHookLeavesTheSheetUsable) {
  pages[1]->nextAnswer = []() -> LRESULT { throw std::runtime_error("hook failed"); };
  Run([&](Robot& robot) {
    Window wizard = robot.Expect("Welcome");
    wizard.Next();
    ExpectPage(robot, wizard, 1);
    wizard.Next();
    robot.ExpectMessageBox().Answer(IDOK);
    sheet.SetActivePage(3);  // outside any hook: at once
    EXPECT_EQ(wizard.SheetPage(), 3);
    wizard.Cancel();
  });
}

TEST_F(Wizard, PagesTakeSheetNotificationsOnlyFromTheirOwnSheet) {
  Run([&](Robot& robot) {
    Window wizard = robot.Expect("Welcome");
    NMHDR foreign{wizard.Handle(), 0, static_cast<UINT>(PSN_WIZNEXT)};
    foreign.hwndFrom = GetDesktopWindow();
    SendMessageA(pages[0]->m_hWnd, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&foreign));
    EXPECT_EQ(pages[0]->hooks.nexts, 0);
    wizard.Cancel();
  });
}

TEST_F(Wizard, ASheetBuiltWhileAnotherIsBuiltLeavesBothBound) {
  TestSheet inner;
  CountingPage innerPage(IDD_PAGE2);
  inner.AddPage(&innerPage);
  inner.m_psh.dwFlags |= PSH_WIZARD;
  pages[0]->onInit = [&] { inner.DoModal(); };
  Run([&](Robot& robot) {
    robot.Expect("Details").Cancel();
    Window wizard = robot.Expect("Welcome");
    SendMessageA(wizard.Handle(), WM_INITMENU, reinterpret_cast<WPARAM>(GetSystemMenu(wizard.Handle(), FALSE)), 0);
    EXPECT_EQ(sheet.initMenus, 1);
    EXPECT_EQ(sheet.m_hWnd, wizard.Handle());
    wizard.Cancel();
  });
  EXPECT_EQ(inner.initMenus + innerPage.hooks.inits, 1);
}

TEST(SheetCreation, ASheetThatCannotBeCreatedAnswersMinusOne) {
  CWnd gone;  // an owner window that no longer exists
  gone.Attach(reinterpret_cast<HWND>(static_cast<ULONG_PTR>(0xDEAD0)));
  CPropertySheet sheet("Broken", &gone);
  CPropertyPage page(IDD_PAGE0);
  sheet.AddPage(&page);
  sheet.m_psh.dwFlags |= PSH_WIZARD;
  INT_PTR result = 0;
  Drive([&] { result = sheet.DoModal(); }, [](Robot&) {});
  EXPECT_EQ(result, -1);
}

}  // namespace

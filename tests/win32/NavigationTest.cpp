// The main window's navigation with the real window and a scripted question service: the
// address box, Back and Forward, work folders, favourites, the destination prompt and the
// status panels that follow every folder change.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>

#include "app/Commands.h"
#include "app/MainForm.h"
#include "base/Text.h"
#include "fileview/ShellUtils.h"
#include "messages/ShellFolders.h"
#include "tests/native/ScriptedQuestions.h"
#include "tests/win32/TestSupport.h"

namespace quill {
namespace {

using test::TScratchFolder;

class Navigation : public ::testing::Test {
protected:
  void SetUp() override {
    for (const char* name : {"A", "B", "C", "D", "A\\Inner"}) test::MakeFolder(data / name);
    test::WriteBytes(data / "file.txt", "hello");
  }
  void TearDown() override {
    form.reset();
    questions.ExpectAllAnswered();
  }
  void Start(const std::string& folder) {
    const std::string commandLine = "\"C:\\quill.exe\" \"" + folder + "\"";
    form = std::make_unique<TMainForm>(TMainFormOptions{program.Path() + "\\", commandLine, false, &questions});
    ASSERT_TRUE(form->Create());
    form->Show();
  }
  std::string Folder() { return form->View().Folder(); }
  // Types into the address box and presses Enter there, as a user would.
  void TypeAddress(const std::string& text) {
    TNavigationBar& bar = form->NavigationBar();
    SetWindowTextW(bar.AddressBox(), Widen(text).c_str());
    SendMessageW(bar.AddressEdit(), WM_KEYDOWN, VK_RETURN, 0);
  }
  // A key in the pane with Shift held (the pane reads the modifier from the key state).
  void ShiftKey(WPARAM key) {
    BYTE state[256];
    GetKeyboardState(state);
    state[VK_SHIFT] = 0x80;
    SetKeyboardState(state);
    SendMessageW(form->Pane().Handle(), WM_KEYDOWN, key, 0);
    state[VK_SHIFT] = 0;
    SetKeyboardState(state);
  }

  TScratchFolder program, data;
  test::TScriptedQuestions questions;
  std::unique_ptr<TMainForm> form;
};

TEST_F(Navigation, AddressEnterShowsTheFolderAndBadTextChangesNothing) {
  Start(data / "A");
  TypeAddress(data / "B");
  EXPECT_EQ(Folder(), data / "B");
  EXPECT_EQ(GetFocus(), form->Pane().Handle()) << "the pane takes the focus back";
  EXPECT_EQ(form->NavigationBar().Address(), data / "B");

  const size_t visits = form->History().Last();
  for (const std::string& bad : {data / "missing", data / "file.txt", std::string("\\\\nowhere\\share"),
                                 std::string(300, 'x'), std::string("Q:\\")}) {
    TypeAddress(bad);
    EXPECT_EQ(Folder(), data / "B") << bad;
    EXPECT_EQ(form->NavigationBar().Address(), bad) << "the typed text stays until the next change";
  }
  EXPECT_EQ(static_cast<size_t>(form->History().Last()), visits) << "failed entries add no history";
  TypeAddress("..");
  EXPECT_EQ(Folder(), data.Path()) << "relative names work as in the pane";
  EXPECT_TRUE(questions.Asked().empty()) << "no message for a folder that cannot be entered";
}

TEST_F(Navigation, BackAndForwardWalkTheHistoryAndANewFolderDropsTheForwardPart) {
  Start(data / "A");
  TNavigationBar& bar = form->NavigationBar();
  EXPECT_FALSE(bar.ButtonEnabled(nbBack));
  form->ShowFolder(data / "B");
  form->ShowFolder(data / "C");
  EXPECT_TRUE(bar.ButtonEnabled(nbBack));
  EXPECT_FALSE(bar.ButtonEnabled(nbForward));
  form->Back();
  form->Back();
  EXPECT_EQ(Folder(), data / "A");
  EXPECT_FALSE(bar.ButtonEnabled(nbBack));
  EXPECT_TRUE(bar.ButtonEnabled(nbForward));
  form->Forward();
  EXPECT_EQ(Folder(), data / "B");
  form->ShowFolder(data / "D");
  EXPECT_FALSE(form->History().CanForward()) << "C is gone";
  form->Back();
  EXPECT_EQ(Folder(), data / "B");
  form->Back();
  EXPECT_EQ(Folder(), data / "A");
  EXPECT_EQ(form->History().Position(), 0);

  // The menu's Forward command (Alt+Right) is the same walk.
  EXPECT_TRUE(form->RunCommand(cmForward));
  EXPECT_EQ(Folder(), data / "B");
  // A pick from the Back menu is a new visit after the current one.
  form->ShowFromHistoryMenu(data / "A");
  EXPECT_EQ(Folder(), data / "A");
  EXPECT_FALSE(form->History().CanForward());
  EXPECT_EQ(form->History().Item(form->History().Last()), data / "A");
}

TEST_F(Navigation, WorkFoldersColourTheirButtonsAndKeepAnOccupiedSlot) {
  Start(data / "A");
  TNavigationBar& bar = form->NavigationBar();
  const COLORREF text = GetSysColor(COLOR_WINDOWTEXT);
  EXPECT_EQ(bar.WorkFolderColor(0), text);
  form->WorkFolderClick(0);  // an empty slot takes the current folder
  form->SetWorkFolder(1);
  EXPECT_EQ(bar.WorkFolderColor(0), RGB(255, 0, 255));
  EXPECT_EQ(bar.WorkFolderColor(1), RGB(255, 0, 255)) << "both slots hold the current folder";
  EXPECT_EQ(bar.WorkFolderHint(1), data / "A");
  form->ShowFolder(data / "B");
  EXPECT_EQ(bar.WorkFolderColor(0), RGB(0, 255, 255));
  form->SetWorkFolder(0);
  EXPECT_EQ(form->WorkFolders().Folder(1), data / "A") << "Set Work Folder leaves an occupied slot alone";
  form->WorkFolderClick(0);
  EXPECT_EQ(Folder(), data / "A");
  form->WorkFolderRightClick(1);
  EXPECT_EQ(bar.WorkFolderColor(1), text);
  EXPECT_EQ(bar.WorkFolderHint(1), "Work Folder");
  form->GoWorkFolder(1);
  EXPECT_EQ(Folder(), data / "A");

  // The buttons themselves: a click and a right click on the drawn button.
  const RECT r = bar.WorkFolderRect(2);
  const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  SendMessageW(bar.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageW(bar.Handle(), WM_LBUTTONUP, 0, at);
  EXPECT_EQ(form->WorkFolders().Folder(3), data / "A");
  SendMessageW(bar.Handle(), WM_RBUTTONUP, 0, at);
  EXPECT_FALSE(form->WorkFolders().IsSet(3));
}

TEST_F(Navigation, FavouritesOpenByShiftFunctionKeysAndDuplicatesOpenTheFirst) {
  test::WriteBytes(program / "favorite.dat", "Bee=" + (data / "B") + "\r\nsee=" + (data / "C") + "\r\nBee=" +
                                                 (data / "D") + "\r\nno equals sign\r\n=" + (data / "A") + "\r\n");
  Start(data / "A");
  ASSERT_EQ(form->Favorites().size(), 5u);
  ShiftKey(VK_F1);
  EXPECT_EQ(Folder(), data / "B");
  ShiftKey(VK_F2);
  EXPECT_EQ(Folder(), data / "C");
  ShiftKey(VK_F3);
  EXPECT_EQ(Folder(), data / "B") << "the second \"Bee\" opens the folder of the first";
  ShiftKey(VK_F4);
  EXPECT_EQ(Folder(), data / "B") << "a line without \"=\" opens nothing";
  ShiftKey(VK_F12);
  EXPECT_EQ(Folder(), data / "B");

  // Add to Favorites proposes the folder's name and appends a line.
  form->ShowFolder(data / "A\\Inner");
  questions.AnswerText("Deep");
  form->AddToFavorites();
  ASSERT_EQ(questions.CountAsked(test::TQuestionKind::AskText), 1u);
  EXPECT_EQ(questions.Asked().back().initial, "Inner");
  EXPECT_TRUE(questions.Asked().back().selectAll);
  EXPECT_NE(questions.Asked().back().text.find(data / "A\\Inner"), std::string::npos);
  ASSERT_EQ(form->Favorites().size(), 6u);
  EXPECT_EQ(form->Favorites().back().name, "Deep");
  EXPECT_NE(test::ReadBytes(program / "favorite.dat").find("Deep=" + (data / "A\\Inner")), std::string::npos);
  questions.CancelText();
  form->AddToFavorites();
  EXPECT_EQ(form->Favorites().size(), 6u);
}

TEST_F(Navigation, ShiftLetterSwitchesDriveAndShellPlacesOpen) {
  Start(data / "A");
  ShiftKey('C');
  EXPECT_EQ(form->View().Drive(), "C:");
  form->GoTempFolder();
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  std::string expected = temp;
  if (expected.size() > 3 && expected.back() == '\\') expected.pop_back();
  EXPECT_TRUE(SameTextAscii(Folder(), expected)) << Folder();
  // My Documents: the folder Wine's registry names for "Personal".
  EXPECT_TRUE(form->RunCommand(cmMyDocuments));
  EXPECT_TRUE(SameTextAscii(Folder(), ShellFolder("Personal"))) << Folder();
}

TEST_F(Navigation, DestinationPromptUsesTheRemovableRootWithNoTreeA) {
  const std::string removable = test::Env("QUILL_TEST_REMOVABLE");
  if (removable.empty()) GTEST_SKIP() << "no removable test drive";
  test::WriteBytes(program / "quill.ini", "[Option]\r\nNoTreeA=1\r\n");
  Start(data / "A");
  questions.AnswerDrive(removable.substr(0, 2));
  EXPECT_EQ(form->AskDestination({}), removable.substr(0, 2) + "\\");
  EXPECT_EQ(questions.CountAsked(test::TQuestionKind::ChooseFolder), 0u);
  EXPECT_EQ(form->LastDestination(), removable.substr(0, 2) + "\\");

  // A full path is taken as typed; a bare drive letter elsewhere asks the folder chooser.
  questions.AnswerDrive(data / "B");
  EXPECT_EQ(form->AskDestination({}), data / "B");
  questions.AnswerDrive("C");
  questions.AnswerFolder(data / "C");
  EXPECT_EQ(form->AskDestination({}), data / "C");
  ASSERT_EQ(questions.CountAsked(test::TQuestionKind::ChooseFolder), 1u);
  EXPECT_EQ(questions.Asked().back().initial, "C:");
  questions.CancelDrive();
  EXPECT_EQ(form->AskDestination({}), "");
  EXPECT_EQ(form->LastDestination(), data / "C") << "a cancelled prompt keeps the last destination";
  form->ShowFolder(data / "A");
  form->GoLastDestination();
  EXPECT_EQ(Folder(), data / "C");
}

TEST_F(Navigation, StatusPanelsFollowTheFocusTheSelectionAndTheDrive) {
  Start(data.Path());
  TStatusArea& status = form->StatusArea();
  TQuillView& view = form->View();
  view.SetItemIndex(view.Files().IndexOf("file.txt"));
  EXPECT_NE(status.FileInfoText().find(" 5   |   "), std::string::npos) << status.FileInfoText();
  view.SetItemIndex(view.Files().IndexOf("A"));
  EXPECT_NE(status.FileInfoText().find("Folder"), std::string::npos) << status.FileInfoText();
  EXPECT_FALSE(status.SelectionVisible());
  view.Select(view.Files().IndexOf("file.txt"));
  EXPECT_TRUE(status.SelectionVisible());
  EXPECT_EQ(status.SelectionText(), "1 Items (5 bytes) ");
  EXPECT_GE(status.GaugeSteps(), 0);
  EXPECT_LE(status.GaugeSteps(), 9);
  // A wide window leaves room for the fullest disk text.
  SetWindowPos(form->Handle(), nullptr, 0, 0, 1100, 500, SWP_NOZORDER | SWP_NOMOVE);
  EXPECT_EQ(status.DiskPanelWidth(), 370);
  EXPECT_NE(status.DiskText().find("bytes Free (Total "), std::string::npos) << status.DiskText();
}

TEST_F(Navigation, DriveLinesTreeNetworkAndShortcutsToFolders) {
  Start(data / "A");
  // The address box's list: one line per drive, then Network; picking a drive switches to it.
  const std::vector<std::string> lines = form->AddressLines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines.back(), "Network");
  EXPECT_NE(lines.front().find(" (C:)"), std::string::npos) << lines.front();
  form->AddressPick(0);
  EXPECT_EQ(form->View().Drive(), "C:");

  questions.AnswerFolder(data / "B");
  form->ChooseTree();
  EXPECT_EQ(Folder(), data / "B");
  EXPECT_EQ(questions.Asked().back().caption, "Select Folder");
  questions.AnswerFolder("");
  form->ChooseTree();
  EXPECT_EQ(Folder(), data / "B") << "a cancelled chooser changes nothing";

  questions.AnswerNetwork(data / "C");
  form->AddressPick(static_cast<int>(lines.size()) - 1);
  EXPECT_EQ(Folder(), data / "C") << "the Network line opens the browser and shows its answer";
  questions.AnswerNetwork("");
  form->BrowseNetwork();
  EXPECT_EQ(Folder(), data / "C");

  // Opening a shortcut to a folder shows the folder instead of starting the shortcut.
  ASSERT_TRUE(CreateShortcut(data / "D", data / "C"));
  form->View().Refresh({}, false);
  const int link = form->View().Files().IndexOf("D.lnk");
  ASSERT_GE(link, 0);
  form->View().SetItemIndex(link);
  form->View().Open();
  EXPECT_EQ(Folder(), data / "D");
}

TEST_F(Navigation, GroupSelectionAsksForMasksAndMenuShortcutsRunCommands) {
  test::WriteBytes(data / "A\\one.txt", "1");
  test::WriteBytes(data / "A\\two.txt", "22");
  test::WriteBytes(data / "A\\three.doc", "333");
  Start(data / "A");
  TQuillView& view = form->View();
  questions.AnswerText("*.txt; *.none");
  SendMessageW(form->Pane().Handle(), WM_KEYDOWN, VK_ADD, 0);
  ASSERT_EQ(questions.CountAsked(test::TQuestionKind::AskText), 1u);
  EXPECT_EQ(questions.Asked().back().caption, "Filter");
  EXPECT_EQ(view.SelCount(), 2);
  questions.AnswerText("t*");
  form->RunCommand(cmUnselectGroup);
  EXPECT_EQ(view.SelCount(), 1);
  EXPECT_TRUE(view.Files().Items(view.Files().IndexOf("one.txt"))->Selected);
  questions.CancelText();
  form->RunCommand(cmSelectGroup);
  EXPECT_EQ(view.SelCount(), 1);

  // Ctrl+1 sets work folder 1 and Alt+Left goes back, through the accelerator table.
  form->ShowFolder(data / "B");
  BYTE state[256];
  GetKeyboardState(state);
  auto press = [&](BYTE modifier, WPARAM key, UINT message) {
    state[modifier] = 0x80;
    SetKeyboardState(state);
    MSG msg{form->Pane().Handle(), message, key, message == WM_SYSKEYDOWN ? (1 << 29) : 0, 0, {}};
    const bool translated = TranslateAcceleratorW(form->Handle(), form->Accelerators(), &msg) != 0;
    state[modifier] = 0;
    SetKeyboardState(state);
    return translated;
  };
  EXPECT_TRUE(press(VK_CONTROL, '1', WM_KEYDOWN));
  EXPECT_EQ(form->WorkFolders().Folder(1), data / "B");
  EXPECT_TRUE(press(VK_MENU, VK_LEFT, WM_SYSKEYDOWN));
  EXPECT_EQ(Folder(), data / "A");
}

// ---- how the bar and its menus look ----

// A window's client area as the window paints it (erase, then paint), by client co-ordinates:
// the same messages a paint sends, into a bitmap instead of onto the screen.
class TPrintedClient {
public:
  explicit TPrintedClient(HWND window) {
    RECT r{};
    GetClientRect(window, &r);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), r.right, -r.bottom, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    dc_ = CreateCompatibleDC(nullptr);
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    old_ = SelectObject(dc_, bitmap_);
    SendMessageW(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc_), 0);
    SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc_), PRF_CLIENT);
    GdiFlush();
  }
  ~TPrintedClient() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  TPrintedClient(const TPrintedClient&) = delete;
  TPrintedClient& operator=(const TPrintedClient&) = delete;
  COLORREF At(int x, int y) const { return GetPixel(dc_, x, y); }
  int CountOther(const RECT& r, COLORREF colour) const {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) n += At(x, y) != colour;
    return n;
  }

private:
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
};

TEST_F(Navigation, TheToolbarShowsTheButtonFaceBehindItsButtons) {
  Start(data / "A");
  HWND toolbar = FindWindowExW(form->NavigationBar().Handle(), nullptr, TOOLBARCLASSNAMEW, nullptr);
  ASSERT_NE(toolbar, nullptr);
  // The flat toolbar has its parent erase under it; the buttons draw no edge while the mouse is
  // away, so their first and last lines show the strip's background.
  const TPrintedClient pixels(toolbar);
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  for (int button = 0; button < 4; ++button) {
    RECT r{};
    ASSERT_TRUE(SendMessageW(toolbar, TB_GETITEMRECT, static_cast<WPARAM>(button), reinterpret_cast<LPARAM>(&r)));
    EXPECT_EQ(pixels.CountOther({r.left, r.top, r.right, r.top + 1}, face), 0) << button;
    EXPECT_EQ(pixels.CountOther({r.left, r.bottom - 1, r.right, r.bottom}, face), 0) << button;
    EXPECT_EQ(pixels.At(r.left + 1, r.top + 2), face) << button;
  }
}

TEST_F(Navigation, TheAddressListKeepsTheBoxTextAndShowsEveryRowWhole) {
  Start(data / "A");
  TNavigationBar& bar = form->NavigationBar();
  HWND box = bar.AddressBox();
  SendMessageW(box, CB_SHOWDROPDOWN, TRUE, 0);
  EXPECT_EQ(bar.Address(), data / "A") << "the box keeps the folder while the list is open";
  wchar_t edit[MAX_PATH] = {};
  GetWindowTextW(bar.AddressEdit(), edit, MAX_PATH);
  EXPECT_EQ(Narrow(edit), data / "A");

  COMBOBOXINFO info{sizeof info};
  ASSERT_TRUE(GetComboBoxInfo(box, &info));
  ASSERT_TRUE(IsWindowVisible(info.hwndList));
  const int count = static_cast<int>(SendMessageW(info.hwndList, LB_GETCOUNT, 0, 0));
  EXPECT_EQ(count, static_cast<int>(form->AddressLines().size()));
  ASSERT_GE(count, 2);
  // Rows with room around the text.
  HDC dc = GetDC(box);
  HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  SelectObject(dc, old);
  ReleaseDC(box, dc);
  const int rowHeight = static_cast<int>(SendMessageW(info.hwndList, LB_GETITEMHEIGHT, 0, 0));
  EXPECT_GE(rowHeight, metrics.tmHeight + 4);
  EXPECT_EQ(rowHeight, bar.AddressRowHeight());
  // Every row inside the list, "Network" last and whole, drawn with its text.
  RECT list{};
  GetClientRect(info.hwndList, &list);
  EXPECT_EQ(static_cast<int>(SendMessageW(info.hwndList, LB_GETTOPINDEX, 0, 0)), 0);
  RECT lastRow{};
  SendMessageW(info.hwndList, LB_GETITEMRECT, count - 1, reinterpret_cast<LPARAM>(&lastRow));
  EXPECT_LE(lastRow.bottom, list.bottom) << "the last row is not cut off";
  EXPECT_EQ(lastRow.bottom - lastRow.top, rowHeight);
  const TPrintedClient pixels(info.hwndList);
  // The row's own background: the window colour, or the highlight when it is the chosen row.
  const COLORREF rowBackground = pixels.At(lastRow.left, lastRow.top);
  EXPECT_TRUE(rowBackground == GetSysColor(COLOR_WINDOW) || rowBackground == GetSysColor(COLOR_HIGHLIGHT));
  EXPECT_GT(pixels.CountOther(lastRow, rowBackground), 20) << "\"Network\" is drawn";
  // The text sits in the middle of its row: its top and bottom lines stay empty.
  EXPECT_EQ(pixels.CountOther({lastRow.left, lastRow.top, lastRow.right, lastRow.top + 2}, rowBackground), 0);
  EXPECT_EQ(pixels.CountOther({lastRow.left, lastRow.bottom - 2, lastRow.right, lastRow.bottom}, rowBackground), 0);

  SendMessageW(box, CB_SHOWDROPDOWN, FALSE, 0);
  EXPECT_EQ(bar.Address(), data / "A");
  EXPECT_EQ(Folder(), data / "A");
}

TEST_F(Navigation, FavouriteItemsCarryTheFolderBitmapDrawnOverTheMenu) {
  test::WriteBytes(program / "favorite.dat", "Bee=" + (data / "B") + "\r\nsee=" + (data / "C") + "\r\n");
  Start(data / "A");
  HMENU menu = form->CreateFavoritesMenu();
  ASSERT_EQ(GetMenuItemCount(menu), 5);
  for (int i = 0; i < 5; ++i) {
    wchar_t text[64] = {};
    MENUITEMINFOW item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_BITMAP | MIIM_ID | MIIM_STRING | MIIM_FTYPE;
    item.dwTypeData = text;
    item.cch = 64;
    ASSERT_TRUE(GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &item));
    if (i < 2) {
      EXPECT_EQ(Narrow(text), i == 0 ? "Bee" : "see");
      EXPECT_NE(item.hbmpItem, nullptr) << "favourite " << i << " has the folder bitmap";
    } else {
      EXPECT_EQ(item.hbmpItem, nullptr) << "the fixed item " << i << " has none";
    }
    if (i == 2) {
      EXPECT_TRUE(item.fType & MFT_SEPARATOR);
    } else if (i == 3) {
      EXPECT_EQ(Narrow(text), "Add to Favorites");
    } else if (i == 4) {
      EXPECT_EQ(Narrow(text), "Organize Favorites");
    }
  }
  // Drawn in the program's look, the folder goes over whatever the item shows, plain or
  // highlighted, its corners letting that through.
  TMenuLook& look = form->MenuLook();
  look.Attach(menu, false);
  MENUITEMINFOW data{};
  data.cbSize = sizeof data;
  data.fMask = MIIM_DATA | MIIM_ID;
  ASSERT_TRUE(GetMenuItemInfoW(menu, 0, TRUE, &data));
  for (const bool selected : {false, true}) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 200, -20, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, bitmap);
    DRAWITEMSTRUCT draw{ODT_MENU, 0, data.wID, ODA_DRAWENTIRE, selected ? UINT(ODS_SELECTED) : 0u,
                        reinterpret_cast<HWND>(menu), dc, {0, 0, 200, 20}, data.dwItemData};
    EXPECT_TRUE(SendMessageW(form->Handle(), WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&draw)));
    GdiFlush();
    // The 16-pixel bitmap is centred between the strip and the caption: its corner at (7, 2).
    const COLORREF background = selected ? TMenuLook::kHighlightColor : TMenuLook::kItemColor;
    EXPECT_EQ(GetPixel(dc, 7, 2), background) << "a transparent corner";
    EXPECT_EQ(GetPixel(dc, 7 + 8, 2 + 10), RGB(0xF2, 0xC0, 0x4C)) << "the folder's front";
    EXPECT_EQ(GetPixel(dc, 7 + 1, 2 + 13), RGB(0x8A, 0x5E, 0x10)) << "its edge";
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  look.Detach(menu);
  DestroyMenu(menu);
}

// ---- operations from the main window ----

TEST_F(Navigation, CopyCarriesDescriptionsAndUnmarksWhatWasCopied) {
  test::WriteBytes(data / "A\\one.txt", "first file");
  test::WriteBytes(data / "A\\two.txt", std::string(200000, 'x'));
  test::WriteBytes(data / "A\\three.txt", "stays");
  test::WriteBytes(data / "A\\descript.dat", "one.txt=the first\r\nthree.txt=not copied\r\n");
  Start(data / "A");
  TQuillView& view = form->View();
  view.Select(view.Files().IndexOf("one.txt"));
  view.Select(view.Files().IndexOf("two.txt"));
  questions.AnswerDrive(data / "B");
  form->RunCommand(cmCopy);
  EXPECT_EQ(test::ReadBytes(data / "B\\one.txt"), "first file");
  EXPECT_EQ(test::ReadBytes(data / "B\\two.txt"), std::string(200000, 'x'));
  EXPECT_FALSE(test::Exists(data / "B\\three.txt"));
  EXPECT_EQ(test::ReadBytes(data / "B\\descript.dat"), "one.txt=the first\r\n");
  EXPECT_TRUE(test::Attributes(data / "B\\descript.dat") & FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(view.SelCount(), 0) << "copied entries are unmarked";
  form->RunCommand(cmRestoreSelection);
  EXPECT_EQ(view.SelCount(), 2) << "Restore Selection marks the copied entries again";
  view.DeselectAll(true);
  EXPECT_GE(view.Files().IndexOf("one.txt"), 0) << "and stay in the list";
  EXPECT_EQ(form->LastDestination(), data / "B");

  // A conflict goes to the replace question; Skip leaves the target alone.
  test::WriteBytes(data / "A\\one.txt", "changed");
  view.SetItemIndex(view.Files().IndexOf("one.txt"));
  questions.AnswerDrive(data / "B");
  questions.AnswerFileExists(feSkip);
  SendMessageW(form->Pane().Handle(), WM_KEYDOWN, VK_INSERT, 0);
  ASSERT_EQ(questions.CountAsked(test::TQuestionKind::FileExists), 1u);
  EXPECT_EQ(questions.Asked().back().initial, data / "B\\one.txt");
  EXPECT_EQ(test::ReadBytes(data / "B\\one.txt"), "first file");
}

TEST_F(Navigation, MoveTakesEntriesAndTheirDescriptionsAlong) {
  test::WriteBytes(data / "A\\one.txt", "moving");
  test::WriteBytes(data / "A\\zz.txt", "stays");
  test::WriteBytes(data / "A\\descript.dat", "one.txt=goes along\r\nzz.txt=stays here\r\n");
  Start(data / "A");
  TQuillView& view = form->View();
  view.SetItemIndex(view.Files().IndexOf("zz.txt"));
  view.Select(view.Files().IndexOf("one.txt"));
  questions.AnswerDrive(data / "C");
  form->RunCommand(cmMove);
  EXPECT_EQ(test::ReadBytes(data / "C\\one.txt"), "moving");
  EXPECT_FALSE(test::Exists(data / "A\\one.txt"));
  EXPECT_EQ(view.Files().IndexOf("one.txt"), -1);
  EXPECT_EQ(view.FocusedFile()->FullName(), "zz.txt") << "the focus stays on its entry";
  EXPECT_EQ(test::ReadBytes(data / "C\\descript.dat"), "one.txt=goes along\r\n");
  EXPECT_EQ(test::ReadBytes(data / "A\\descript.dat"), "zz.txt=stays here\r\n");

  // A destination whose descript.dat cannot be written: the error is shown, and the source's
  // lines stay until they have somewhere to go.
  test::MakeFolder(data / "D\\descript.dat");
  view.SetItemIndex(view.Files().IndexOf("zz.txt"));
  questions.AnswerDrive(data / "D");
  questions.AnswerError(false);
  form->RunCommand(cmMove);
  EXPECT_EQ(test::ReadBytes(data / "D\\zz.txt"), "stays");
  ASSERT_EQ(questions.CountAsked(test::TQuestionKind::ShowError), 1u);
  EXPECT_TRUE(questions.Asked().back().stopOnly);
  EXPECT_EQ(test::ReadBytes(data / "A\\descript.dat"), "zz.txt=stays here\r\n");
}

TEST_F(Navigation, DescriptionsAreAskedForEachEntryAndDeletedAllAtOnce) {
  test::WriteBytes(data / "A\\one.txt", "1");
  test::WriteBytes(data / "A\\two.txt", "2");
  test::WriteBytes(data / "A\\zzz.txt", "3");
  test::WriteBytes(data / "A\\hidden.txt", "h", FILE_ATTRIBUTE_HIDDEN);
  test::WriteBytes(data / "A\\descript.dat", "two.txt=old two\r\nhidden.txt=kept while hidden\r\n");
  Start(data / "A");
  TQuillView& view = form->View();
  view.Select(view.Files().IndexOf("one.txt"));
  view.Select(view.Files().IndexOf("two.txt"));
  view.Select(view.Files().IndexOf("zzz.txt"));
  questions.AnswerText("first one  \t");
  questions.CancelText();
  questions.AnswerMessage(mrNo);  // do not go on with the rest
  form->RunCommand(cmDescription);
  ASSERT_EQ(questions.CountAsked(test::TQuestionKind::AskText), 2u);
  EXPECT_EQ(questions.Asked()[0].text, "'one.txt'\n\nEmpty in order to erase description");
  EXPECT_EQ(questions.Asked()[1].initial, "old two");
  EXPECT_EQ(view.SelCount(), 2) << "the described entry is unmarked, the others stay";
  EXPECT_EQ(test::ReadBytes(data / "A\\descript.dat"),
            "one.txt=first one\r\ntwo.txt=old two\r\nhidden.txt=kept while hidden\r\n");

  view.DeselectAll(true);
  view.SetItemIndex(view.Files().IndexOf("two.txt"));
  questions.AnswerText("");
  form->RunCommand(cmDescription);
  EXPECT_EQ(test::ReadBytes(data / "A\\descript.dat"), "one.txt=first one\r\nhidden.txt=kept while hidden\r\n");

  questions.AnswerMessage(mrNo);
  form->RunCommand(cmDeleteAllDescriptions);
  EXPECT_TRUE(test::Exists(data / "A\\descript.dat"));
  questions.AnswerMessage(mrYes);
  form->RunCommand(cmDeleteAllDescriptions);
  EXPECT_EQ(questions.Asked().back().text, "Are you sure you want to delete all description?");
  EXPECT_EQ(questions.Asked().back().caption, "Delete All Description");
  EXPECT_FALSE(test::Exists(data / "A\\descript.dat"));
  EXPECT_EQ(view.Files().Items(view.Files().IndexOf("one.txt"))->Description(), "");
  form->RunCommand(cmDeleteAllDescriptions);  // no file: nothing asked
}

TEST_F(Navigation, DeleteAsksWithTheEntrysNameAndRemovesWhatWentAway) {
  test::WriteBytes(data / "A\\gone.txt", "x");
  test::WriteBytes(data / "A\\kept.txt", "y");
  test::WriteBytes(program / "quill.ini", "[Option]\r\nDelBtn=1\r\n");
  Start(data / "A");
  TQuillView& view = form->View();
  view.SetItemIndex(view.Files().IndexOf("gone.txt"));
  questions.AnswerDelete(mrNo);
  SendMessageW(form->Pane().Handle(), WM_KEYDOWN, VK_DELETE, 0);
  ASSERT_EQ(questions.CountAsked(test::TQuestionKind::Delete), 1u);
  EXPECT_EQ(questions.Asked().back().text, "gone.txt\n\nAre you sure you want to send to RecycleBin?");
  EXPECT_EQ(questions.Asked().back().code, 1u) << "DelBtn picks the focused button";
  EXPECT_TRUE(test::Exists(data / "A\\gone.txt")) << "No deletes nothing";

  questions.AnswerDelete(mrAll);  // the Delete button: for good
  form->RunCommand(cmDelete);
  EXPECT_FALSE(test::Exists(data / "A\\gone.txt"));
  EXPECT_EQ(view.Files().IndexOf("gone.txt"), -1);
  EXPECT_EQ(test::ReadBytes(data / "A\\kept.txt"), "y");

  view.Select(view.Files().IndexOf("kept.txt"));
  view.Select(view.Files().IndexOf("Inner"));
  questions.AnswerDelete(mrAll);
  form->RunCommand(cmDelete);
  EXPECT_EQ(questions.Asked().back().text, "Selected All Files/Folders\n\nAre you sure you want to send to RecycleBin?");
  EXPECT_FALSE(test::Exists(data / "A\\kept.txt"));
  EXPECT_FALSE(test::Exists(data / "A\\Inner"));
  EXPECT_EQ(view.SelCount(), 0);
}

TEST_F(Navigation, CopiesFromTheCdRomLoseReadOnlyOnlyWithRemRead) {
  const std::string cd = test::Env("QUILL_TEST_CDROM");
  if (cd.empty()) GTEST_SKIP() << "no CD-ROM test drive";
  const std::string source = cd + "\\ro-" + std::to_string(GetCurrentProcessId()) + ".txt";
  test::WriteBytes(source, "from the disc", FILE_ATTRIBUTE_READONLY);
  ASSERT_TRUE(test::Attributes(source) & FILE_ATTRIBUTE_READONLY);
  const std::string name = source.substr(cd.size() + 1);
  for (const bool remRead : {false, true}) {
    test::WriteBytes(program / "quill.ini", std::string("[Option]\r\nRemRead=") + (remRead ? "1" : "0") + "\r\n");
    Start(cd + "\\");
    form->View().SetItemIndex(form->View().Files().IndexOf(name));
    const std::string target = data / (remRead ? "C" : "D");
    questions.AnswerDrive(target);
    form->RunCommand(cmCopy);
    const std::string copy = target + "\\" + name;
    EXPECT_EQ(test::ReadBytes(copy), "from the disc");
    EXPECT_EQ((test::Attributes(copy) & FILE_ATTRIBUTE_READONLY) != 0, !remRead) << "RemRead=" << remRead;
    SetFileAttributesW(Widen(copy).c_str(), FILE_ATTRIBUTE_NORMAL);
    form.reset();
  }
  SetFileAttributesW(Widen(source).c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileW(Widen(source).c_str());
}

}  // namespace
}  // namespace quill

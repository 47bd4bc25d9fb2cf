// The menus' owner-drawn look over a window whose menu bar is built like the main window's: what
// Attach keeps and Detach gives back, sizes, colours drawn into a memory DC, mnemonics, and the
// real menu bar driven by the keyboard and looked at on the screen. Then the About box.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

#include "app/AboutBox.h"
#include "tests/win32/StepScript.h"
#include "tests/win32/TestSupport.h"
#include "ui/MenuLook.h"
#include "ui/Window.h"

namespace quill {
namespace {

enum : UINT { idCopy = 101, idMove, idExit, idSelectAll, idSelectGroup, idGoTo, idFavorite, idToolbar, idList,
              idIcons, idByName, idByExt };

void Add(HMENU menu, UINT id, const wchar_t* text, UINT flags = 0) { AppendMenuW(menu, MF_STRING | flags, id, text); }

class TMenuWindow : public TWindow {
public:
  TMenuWindow() {
    Add(file, idCopy, L"&Copy\tAlt+C");
    Add(file, idMove, L"Mo&ve\tAlt+Enter");
    AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
    Add(file, idExit, L"E&xit\tAlt+X");
    Add(edit, idSelectAll, L"Select &All\tAlt+U");
    Add(edit, idSelectGroup, L"Select Group(&G)\t+");
    Add(edit, idGoTo, L"&Go to...\tAlt+G", MF_GRAYED);
    Add(edit, idFavorite, L"&Favourite");
    MENUITEMINFOW image{sizeof image, MIIM_BITMAP};
    image.hbmpItem = HBMMENU_CALLBACK;
    SetMenuItemInfoW(edit, idFavorite, FALSE, &image);
    Add(view, idToolbar, L"&Toolbar", MF_CHECKED);
    Add(view, idList, L"L&ist");
    Add(view, idIcons, L"Lar&ge Icons");
    CheckMenuRadioItem(view, idList, idIcons, idList, MF_BYCOMMAND);
    Add(arrange, idByName, L"by &Name\tCtrl+Alt+N");
    Add(arrange, idByExt, L"by &Extension\tCtrl+Alt+E");
    AppendMenuW(view, MF_POPUP, reinterpret_cast<UINT_PTR>(arrange), L"A&rrange");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), L"&File");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(edit), L"&Edit");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(view), L"&View");
    CreateHandle(L"QuillMenuLookTest", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, L"Menu look", 130, 90, 520, 340, nullptr);
    SetMenu(Handle(), bar);
    look.Attach(bar, true);
    DrawMenuBar(Handle());
  }

  HMENU bar = CreateMenu(), file = CreatePopupMenu(), edit = CreatePopupMenu(), view = CreatePopupMenu(),
        arrange = CreatePopupMenu();
  TMenuLook look;
  std::vector<UINT> commands;
  int menuChars = 0;

protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_MEASUREITEM && look.Measure(*reinterpret_cast<MEASUREITEMSTRUCT*>(lParam))) return TRUE;
    if (message == WM_DRAWITEM && look.Draw(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam))) return TRUE;
    if (message == WM_MENUCHAR) {
      ++menuChars;
      return look.MenuChar(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HMENU>(lParam));
    }
    if (message == WM_COMMAND) commands.push_back(LOWORD(wParam));
    return TWindow::HandleMessage(message, wParam, lParam);
  }
};

MENUITEMINFOW Info(HMENU menu, int position) {
  MENUITEMINFOW info{sizeof info, MIIM_FTYPE | MIIM_DATA};
  GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info);
  return info;
}

MEASUREITEMSTRUCT Measured(TMenuLook& look, HMENU menu, int position, bool* ours = nullptr) {
  MEASUREITEMSTRUCT measure{ODT_MENU, 0, GetMenuItemID(menu, position), 0, 0, Info(menu, position).dwItemData};
  const bool result = look.Measure(measure);
  if (ours) *ours = result;
  return measure;
}

constexpr int kWidth = 240, kHeight = 22;
constexpr COLORREF kWhite = RGB(255, 255, 255);

// A picture to draw single items into, or to copy the screen into.
struct TCanvas {
  explicit TCanvas(int width = kWidth, int height = kHeight, const POINT* screenOrigin = nullptr) {
    HDC screen = GetDC(nullptr);
    dc = CreateCompatibleDC(screen);
    bitmap = CreateCompatibleBitmap(screen, width, height);
    old = SelectObject(dc, bitmap);
    if (screenOrigin) BitBlt(dc, 0, 0, width, height, screen, screenOrigin->x, screenOrigin->y, SRCCOPY);
    ReleaseDC(nullptr, screen);
  }
  ~TCanvas() {
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  int Count(const RECT& box, COLORREF color) const {
    int n = 0;
    for (int y = box.top; y < box.bottom; ++y)
      for (int x = box.left; x < box.right; ++x) n += GetPixel(dc, x, y) == color;
    return n;
  }
  int Others(const RECT& box, COLORREF color) const {
    return (box.right - box.left) * (box.bottom - box.top) - Count(box, color);
  }
  bool Draw(TMenuLook& look, HMENU menu, int position, UINT state, RECT r = {0, 0, kWidth, kHeight}) {
    const RECT all{0, 0, kWidth, kHeight};
    SetBkColor(dc, RGB(1, 2, 3));
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &all, nullptr, 0, nullptr);
    DRAWITEMSTRUCT draw{ODT_MENU, 0, GetMenuItemID(menu, position), ODA_DRAWENTIRE, state,
                        reinterpret_cast<HWND>(menu), dc, r, Info(menu, position).dwItemData};
    return look.Draw(draw);
  }
  HDC dc;
  HBITMAP bitmap;
  HGDIOBJ old;
};

TEST(MenuLook, AttachMakesEveryItemOwnerDrawnKeepingTextStyleAndStateAndDetachGivesThemBack) {
  TMenuWindow w;
  w.look.Attach(w.bar, true);  // twice: harmless
  for (HMENU menu : {w.bar, w.file, w.edit, w.view, w.arrange}) {
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
      bool ours = false;
      Measured(w.look, menu, i, &ours);
      EXPECT_TRUE(ours && (Info(menu, i).fType & MFT_OWNERDRAW)) << i;
    }
  }
  EXPECT_EQ(w.look.Caption(w.bar, idSelectGroup), "Select Group(&G)\t+");
  EXPECT_EQ(w.look.Caption(w.bar, idByExt), "by &Extension\tCtrl+Alt+E");
  EXPECT_EQ(w.look.Caption(w.file, idByName), "");  // not in that menu
  EXPECT_TRUE(GetMenuState(w.view, idToolbar, MF_BYCOMMAND) & MF_CHECKED);
  EXPECT_TRUE(GetMenuState(w.view, idList, MF_BYCOMMAND) & MF_CHECKED);
  EXPECT_TRUE(Info(w.view, 1).fType & MFT_RADIOCHECK);
  EXPECT_TRUE(GetMenuState(w.edit, idGoTo, MF_BYCOMMAND) & MF_GRAYED);
  EXPECT_TRUE(Info(w.file, 2).fType & MFT_SEPARATOR);
  // The menu keeps its own copy of the text, for the system's own mnemonic search.
  wchar_t text[64] = {};
  MENUITEMINFOW info{sizeof info, MIIM_STRING};
  info.dwTypeData = text;
  info.cch = 64;
  ASSERT_TRUE(GetMenuItemInfoW(w.file, idMove, FALSE, &info));
  EXPECT_STREQ(text, L"Mo&ve\tAlt+Enter");
  // Items appended later wait for the next Attach.
  Add(w.file, 199, L"&Later");
  bool ours = true;
  Measured(w.look, w.file, 4, &ours);
  EXPECT_FALSE(ours);
  w.look.Attach(w.file, false);
  EXPECT_EQ(w.look.Caption(w.bar, 199), "&Later");

  const MEASUREITEMSTRUCT before = Measured(w.look, w.arrange, 0);
  w.look.Detach(w.view);
  w.look.Detach(w.edit);
  MEASUREITEMSTRUCT stale = before;
  EXPECT_FALSE(w.look.Measure(stale));
  EXPECT_FALSE(Info(w.arrange, 1).fType & MFT_OWNERDRAW);
  EXPECT_TRUE(Info(w.view, 1).fType & MFT_RADIOCHECK);
  EXPECT_TRUE(Info(w.file, 0).fType & MFT_OWNERDRAW);
  GetMenuStringW(w.arrange, idByName, text, 64, MF_BYCOMMAND);
  EXPECT_STREQ(text, L"by &Name\tCtrl+Alt+N");
  MENUITEMINFOW image{sizeof image, MIIM_BITMAP};
  GetMenuItemInfoW(w.edit, idFavorite, FALSE, &image);
  EXPECT_EQ(image.hbmpItem, HBMMENU_CALLBACK);
}

TEST(MenuLook, MeasureGivesTheHintItsRoomAndSeparatorsLittleHeight) {
  TMenuWindow w;
  const MEASUREITEMSTRUCT copy = Measured(w.look, w.file, 0), move = Measured(w.look, w.file, 1);
  EXPECT_GE(copy.itemHeight, 16u);
  EXPECT_LE(Measured(w.look, w.file, 2).itemHeight, copy.itemHeight / 2);
  EXPECT_GT(move.itemWidth, copy.itemWidth);  // "Alt+Enter" is longer than "Alt+C"
  w.look.SetCaption(w.bar, idCopy, "&Copy\tCtrl+Shift+Alt+Insert");
  EXPECT_GT(Measured(w.look, w.file, 0).itemWidth, copy.itemWidth + 40);
  EXPECT_EQ(Measured(w.look, w.file, 0).itemHeight, copy.itemHeight);
  const MEASUREITEMSTRUCT title = Measured(w.look, w.bar, 0);
  EXPECT_GT(title.itemWidth, 16u);
  EXPECT_LT(title.itemWidth, 80u);
  MEASUREITEMSTRUCT control = copy;
  control.CtlType = ODT_LISTBOX;
  EXPECT_FALSE(w.look.Measure(control));
}

TEST(MenuLook, DrawPaintsStripHighlightSeparatorGlyphsImagesAndTheBar) {
  TMenuWindow w;
  TCanvas c;
  const int mid = kHeight / 2;
  const RECT image{TMenuLook::kStripWidth, 0, TMenuLook::kTextLeft - 2, kHeight};
  const RECT caption{TMenuLook::kTextLeft, 0, kWidth / 2, kHeight};
  const RECT hint{kWidth / 2, 0, kWidth - TMenuLook::kHintRight + 1, kHeight};
  const COLORREF grey = GetSysColor(COLOR_GRAYTEXT);

  ASSERT_TRUE(c.Draw(w.look, w.file, 0, 0));
  EXPECT_EQ(GetPixel(c.dc, 1, mid), TMenuLook::kStripColor);
  EXPECT_EQ(c.Count({0, 0, kWidth, kHeight}, RGB(1, 2, 3)), 0);  // every pixel painted
  EXPECT_EQ(GetPixel(c.dc, kWidth - 1, 1), kWhite);
  EXPECT_GT(c.Others(caption, kWhite), 0);
  EXPECT_GT(c.Count(hint, grey), 0);
  EXPECT_EQ(c.Others(image, kWhite), 0);
  EXPECT_EQ(c.Others({hint.right, 0, kWidth, kHeight}, kWhite), 0);  // 8 pixels kept free
  ASSERT_TRUE(c.Draw(w.look, w.file, 0, ODS_SELECTED));
  EXPECT_EQ(GetPixel(c.dc, 1, mid), TMenuLook::kStripColor);
  EXPECT_EQ(GetPixel(c.dc, TMenuLook::kStripWidth, 1), TMenuLook::kHighlightColor);
  EXPECT_EQ(GetPixel(c.dc, kWidth - 1, kHeight - 1), TMenuLook::kHighlightColor);
  EXPECT_GT(c.Count(caption, kWhite), 0);
  ASSERT_TRUE(c.Draw(w.look, w.file, 2, 0, {0, 0, kWidth, 7}));
  EXPECT_EQ(GetPixel(c.dc, kWidth / 2, 3), TMenuLook::kSeparatorColor);
  EXPECT_EQ(GetPixel(c.dc, kWidth / 2, 1), kWhite);
  EXPECT_EQ(GetPixel(c.dc, kWidth / 2, 8), RGB(1, 2, 3));
  ASSERT_TRUE(c.Draw(w.look, w.edit, 2, ODS_GRAYED));
  EXPECT_GT(c.Count(caption, grey), 0);
  EXPECT_EQ(c.Count({0, 0, kWidth, kHeight}, GetSysColor(COLOR_MENUTEXT)), 0);

  // Check mark and radio bullet differ; the bullet is round, so its centre is set.
  const POINT centre{(image.left + image.right) / 2, mid};
  ASSERT_TRUE(c.Draw(w.look, w.view, 0, ODS_CHECKED));
  const COLORREF tickCentre = GetPixel(c.dc, centre.x, centre.y);
  EXPECT_GT(c.Others(image, kWhite), 6);
  ASSERT_TRUE(c.Draw(w.look, w.view, 1, ODS_CHECKED));
  EXPECT_NE(GetPixel(c.dc, centre.x, centre.y), tickCentre);
  EXPECT_NE(GetPixel(c.dc, centre.x, centre.y), kWhite);

  // An item's own image comes from DrawImage, between the strip and the caption.
  std::vector<UINT> asked;
  RECT given{};
  w.look.DrawImage = [&](UINT id, HDC, const RECT& box, bool selected) {
    asked.push_back(id + (selected ? 1000 : 0));
    given = box;
    return true;
  };
  ASSERT_TRUE(c.Draw(w.look, w.edit, 3, ODS_SELECTED));
  ASSERT_TRUE(c.Draw(w.look, w.edit, 0, 0));  // no image of its own
  EXPECT_EQ(asked, std::vector<UINT>{idFavorite + 1000});
  EXPECT_TRUE(given.left >= TMenuLook::kStripWidth && given.right <= TMenuLook::kTextLeft);
  EXPECT_GE(given.right - given.left, 16);

  // SetCaption is what Draw shows: a hint appears.
  ASSERT_TRUE(c.Draw(w.look, w.edit, 3, 0));
  EXPECT_EQ(c.Others(hint, kWhite), 0);
  w.look.SetCaption(w.bar, idFavorite, "&Favourite\tShift+F1");
  EXPECT_EQ(w.look.Caption(w.edit, idFavorite), "&Favourite\tShift+F1");
  ASSERT_TRUE(c.Draw(w.look, w.edit, 3, 0));
  EXPECT_GT(c.Count(hint, grey), 0);

  // Menu-bar items: centred on the button face, the highlighted one blue with white text.
  ASSERT_TRUE(c.Draw(w.look, w.bar, 0, 0, {0, 0, 50, kHeight}));
  EXPECT_EQ(GetPixel(c.dc, 1, 1), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(c.Count({0, 0, 50, kHeight}, kWhite), 0);
  const auto firstWhite = [&] {
    for (int x = 0; x < kWidth; ++x)
      if (c.Count({x, 0, x + 1, kHeight}, kWhite)) return x;
    return -1;
  };
  for (UINT state : {ODS_SELECTED, ODS_HOTLIGHT}) {
    ASSERT_TRUE(c.Draw(w.look, w.bar, 0, state, {0, 0, 50, kHeight}));
    EXPECT_EQ(GetPixel(c.dc, 1, 1), TMenuLook::kBarHighlightColor);
    const int narrow = firstWhite();
    ASSERT_TRUE(c.Draw(w.look, w.bar, 0, state, {0, 0, 100, kHeight}));
    EXPECT_EQ(firstWhite(), narrow + 25);  // half the extra width
  }
}

TEST(MenuLook, MenuCharFindsTheAmpersandLetter) {
  TMenuWindow w;
  TMenuLook& look = w.look;
  EXPECT_EQ(look.MenuChar(L'C', MF_POPUP, w.file), MAKELRESULT(0, MNC_EXECUTE));
  EXPECT_EQ(look.MenuChar(L'x', MF_POPUP, w.file), MAKELRESULT(3, MNC_EXECUTE));
  EXPECT_EQ(HIWORD(look.MenuChar(L'e', MF_POPUP, w.file)), MNC_IGNORE);  // "Alt+Enter" is no mnemonic
  EXPECT_EQ(look.MenuChar(L'g', MF_POPUP, w.edit), MAKELRESULT(1, MNC_EXECUTE));  // "(&G)"
  EXPECT_EQ(look.MenuChar(L'r', MF_POPUP, w.view), MAKELRESULT(3, MNC_EXECUTE));  // the submenu
  EXPECT_EQ(look.MenuChar(L'e', 0, w.bar), MAKELRESULT(1, MNC_EXECUTE));
  EXPECT_EQ(HIWORD(look.MenuChar(L'f', MF_SYSMENU, w.bar)), MNC_IGNORE);
  // "&&" is an ampersand; a greyed item is pointed at but does not run.
  look.SetCaption(w.bar, idSelectAll, "Save && &Quit");
  look.SetCaption(w.bar, idSelectGroup, "Select Group(&P)");
  EXPECT_EQ(look.MenuChar(L'q', MF_POPUP, w.edit), MAKELRESULT(0, MNC_EXECUTE));
  EXPECT_EQ(HIWORD(look.MenuChar(L's', MF_POPUP, w.edit)), MNC_IGNORE);
  EXPECT_EQ(look.MenuChar(L'G', MF_POPUP, w.edit), MAKELRESULT(2, MNC_SELECT));
}

// Keys as the keyboard gives them, into the system's input queue; the menu loop reads them there.
void Press(std::initializer_list<WORD> keys, bool alt = false) {
  std::vector<INPUT> input;
  const auto add = [&](WORD vk, DWORD flags) {
    INPUT one{INPUT_KEYBOARD};
    one.ki = {vk, static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC)), flags};
    input.push_back(one);
  };
  if (alt) add(VK_MENU, 0);
  for (WORD key : keys) add(key, 0), add(key, KEYEVENTF_KEYUP);
  if (alt) add(VK_MENU, KEYEVENTF_KEYUP);
  SendInput(static_cast<UINT>(input.size()), input.data(), sizeof(INPUT));
}

template <typename Done>
bool Pump(Done done, int milliseconds) {
  for (const DWORD end = GetTickCount() + static_cast<DWORD>(milliseconds);
       !done() && static_cast<int>(end - GetTickCount()) > 0;) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) TranslateMessage(&msg), DispatchMessageW(&msg);
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  return done();
}

BOOL CALLBACK CountPopups(HWND window, LPARAM count) {
  wchar_t name[16] = {};
  GetClassNameW(window, name, 16);
  *reinterpret_cast<int*>(count) += IsWindowVisible(window) && lstrcmpW(name, L"#32768") == 0;
  return TRUE;
}

int OpenPopups() {
  int count = 0;
  EnumWindows(CountPopups, reinterpret_cast<LPARAM>(&count));
  return count;
}

// Counts what the screen shows below the window's top, from a timer inside the menu loop with
// the View menu and its Arrange submenu open, and ends the menu.
struct TScreenLook {
  static inline HWND window = nullptr;
  static inline int strip = 0, highlight = 0, barHighlight = 0, ticks = 0;
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    if (OpenPopups() < 2 || ++ticks < 4) return;
    RECT r{};
    GetWindowRect(window, &r);
    const POINT origin{r.left, r.top};
    const TCanvas screen(420, 200, &origin);
    const RECT all{0, 0, 420, 200};
    strip = screen.Count(all, TMenuLook::kStripColor);
    highlight = screen.Count(all, TMenuLook::kHighlightColor);
    barHighlight = screen.Count(all, TMenuLook::kBarHighlightColor);
    test::SaveShot(GetDesktopWindow(), "menu-open");
    EndMenu();
  }
};

TEST(MenuLook, TheKeyboardDrivesTheRealMenusDrawnInTheLook) {
  TMenuWindow w;
  SetForegroundWindow(w.Handle());
  Pump([] { return false; }, 100);
  ASSERT_EQ(GetForegroundWindow(), w.Handle());
  Press({'F'}, true);
  Press({'V'});
  ASSERT_TRUE(Pump([&] { return !w.commands.empty(); }, 3000));
  Press({'V'}, true);
  Press({'R', 'E'});  // the submenu by its letter, and an item there by its own
  ASSERT_TRUE(Pump([&] { return w.commands.size() > 1; }, 3000));
  EXPECT_EQ(w.commands, (std::vector<UINT>{idMove, idByExt}));
  std::printf("[ menu look ] WM_MENUCHAR asked %d times\n", w.menuChars);

  TScreenLook::window = w.Handle();
  const UINT_PTR timer = SetTimer(nullptr, 0, 100, TScreenLook::Tick);
  Press({'V'}, true);
  Press({VK_UP, VK_RIGHT});
  Pump([] { return TScreenLook::ticks >= 4; }, 5000);
  KillTimer(nullptr, timer);
  Pump([] { return OpenPopups() == 0; }, 2000);
  // Both drop-downs carry the strip and a highlighted item; View is pushed on the bar.
  EXPECT_GT(TScreenLook::strip, 2 * 4 * 20);
  EXPECT_GT(TScreenLook::highlight, 2 * 100 * 10);
  EXPECT_GT(TScreenLook::barHighlight, 20 * 10);
  EXPECT_EQ(w.commands.size(), 2u);
}

TEST(AboutBox, OpensCentredOverItsOwnerWithIconNameAndVersionAndClosesByEscapeOrEnter) {
  HWND owner = CreateWindowExW(0, L"STATIC", L"Owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 117, 93, 701, 503, nullptr,
                               nullptr, nullptr, nullptr);
  HWND field = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE, 10, 10, 100, 20, owner, nullptr, nullptr,
                               nullptr);
  SetForegroundWindow(owner);
  SetFocus(field);
  for (WPARAM key : {VK_ESCAPE, VK_RETURN}) {
    RECT box{}, frame{};
    wchar_t name[64] = {}, version[64] = {};
    LRESULT icon = 0;
    BOOL ownerEnabled = TRUE;
    test::TScript script({{"About Quill", [&](HWND dialog) {
                             GetWindowRect(dialog, &box);
                             GetWindowRect(owner, &frame);
                             GetDlgItemTextW(dialog, TfAbout::kNameId, name, 64);
                             GetDlgItemTextW(dialog, TfAbout::kVersionId, version, 64);
                             icon = SendDlgItemMessageW(dialog, TfAbout::kIconId, STM_GETICON, 0, 0);
                             ownerEnabled = IsWindowEnabled(owner);
                             if (key == VK_ESCAPE) test::SaveShot(dialog, "about");
                             PostMessageW(GetFocus(), WM_KEYDOWN, key, 1);
                           }}});
    ShowAboutBox(owner);
    EXPECT_TRUE(script.Finished() && !script.Rescued()) << key;
    EXPECT_EQ(box.left, frame.left + (frame.right - frame.left) / 2 - (box.right - box.left) / 2);
    EXPECT_EQ(box.top, frame.top + (frame.bottom - frame.top) / 2 - (box.bottom - box.top) / 2);
    EXPECT_STREQ(name, L"Quill");
    EXPECT_STREQ(version, L"Version 4.0 Beta3");
    EXPECT_NE(icon, 0);
    EXPECT_FALSE(ownerEnabled);
    EXPECT_TRUE(IsWindowEnabled(owner));
    EXPECT_EQ(GetFocus(), field);
  }
  DestroyWindow(owner);
}

}  // namespace
}  // namespace quill

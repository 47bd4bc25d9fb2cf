// The menus' owner-drawn look over a window whose menu bar is built like the main window's:
// what Attach keeps and Detach gives back, the sizes asked for, the colours drawn into a memory
// DC, the mnemonics, and the keyboard on the real menu bar. Then the About box, shown for real
// over an owner and closed with keys from a thread timer inside its own loop.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <string>
#include <vector>

#include "app/AboutBox.h"
#include "platform/Utf16.h"
#include "tests/win32/StepScript.h"
#include "tests/win32/TestSupport.h"
#include "ui/MenuLook.h"
#include "ui/Window.h"

namespace quill {
namespace {

enum : UINT {
  idCopy = 101, idMove, idDescription, idExit,
  idSelectAll = 201, idSelectGroup, idGoTo,
  idToolbar = 301, idList, idLargeIcons, idByName, idByExt,
  idFavorite = 401,
};

void Add(HMENU menu, UINT id, const wchar_t* text, UINT flags = 0) { AppendMenuW(menu, MF_STRING | flags, id, text); }

class TMenuWindow : public TWindow {
public:
  TMenuWindow() {
    bar = CreateMenu();
    file = CreatePopupMenu();
    Add(file, idCopy, L"&Copy\tAlt+C");
    Add(file, idMove, L"Mo&ve\tAlt+M");
    Add(file, idDescription, L"D&escription\tAlt+Enter");
    AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
    Add(file, idExit, L"E&xit\tAlt+X");
    edit = CreatePopupMenu();
    Add(edit, idSelectAll, L"Select &All\tAlt+U");
    Add(edit, idSelectGroup, L"Select Group(&G)\t+");
    Add(edit, idGoTo, L"&Go to...\tAlt+G", MF_GRAYED);
    Add(edit, idFavorite, L"&Favourite");
    MENUITEMINFOW image{};
    image.cbSize = sizeof image;
    image.fMask = MIIM_BITMAP;
    image.hbmpItem = HBMMENU_CALLBACK;
    SetMenuItemInfoW(edit, idFavorite, FALSE, &image);
    view = CreatePopupMenu();
    Add(view, idToolbar, L"&Toolbar", MF_CHECKED);
    Add(view, idList, L"L&ist");
    Add(view, idLargeIcons, L"Lar&ge Icons");
    CheckMenuRadioItem(view, idList, idLargeIcons, idList, MF_BYCOMMAND);
    AppendMenuW(view, MF_SEPARATOR, 0, nullptr);
    arrange = CreatePopupMenu();
    Add(arrange, idByName, L"by &Name\tCtrl+Alt+N");
    Add(arrange, idByExt, L"by &Extension\tCtrl+Alt+E");
    AppendMenuW(view, MF_POPUP, reinterpret_cast<UINT_PTR>(arrange), L"A&rrange");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), L"&File");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(edit), L"&Edit");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(view), L"&View");
    CreateHandle(L"QuillMenuLookTest", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, L"Menu look", 130, 90, 520, 340, nullptr);
    SetMenu(Handle(), bar);
  }

  TMenuLook look;
  HMENU bar, file, edit, view, arrange;
  std::vector<UINT> commands;
  std::vector<HMENU> opened;
  int menuChars = 0;

protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    switch (message) {
      case WM_MEASUREITEM:
        if (look.Measure(*reinterpret_cast<MEASUREITEMSTRUCT*>(lParam))) return TRUE;
        break;
      case WM_DRAWITEM:
        if (look.Draw(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam))) return TRUE;
        break;
      case WM_MENUCHAR:
        ++menuChars;
        return look.MenuChar(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HMENU>(lParam));
      case WM_INITMENUPOPUP: opened.push_back(reinterpret_cast<HMENU>(wParam)); break;
      case WM_COMMAND: commands.push_back(LOWORD(wParam)); return 0;
      default: break;
    }
    return TWindow::HandleMessage(message, wParam, lParam);
  }
};

MENUITEMINFOW Info(HMENU menu, int position) {
  MENUITEMINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_DATA | MIIM_ID;
  GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info);
  return info;
}

int PositionOfCommand(HMENU menu, UINT id) {
  for (int i = 0; i < GetMenuItemCount(menu); ++i)
    if (GetMenuItemID(menu, i) == id) return i;
  return -1;
}

// A 24-bit picture to draw single items into.
class TCanvas {
public:
  TCanvas(int width, int height) : width_(width), height_(height) {
    HDC screen = GetDC(nullptr);
    dc_ = CreateCompatibleDC(screen);
    bitmap_ = CreateCompatibleBitmap(screen, width, height);
    ReleaseDC(nullptr, screen);
    old_ = SelectObject(dc_, bitmap_);
    Clear(RGB(1, 2, 3));
  }
  ~TCanvas() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  HDC Dc() const { return dc_; }
  void Clear(COLORREF color) {
    const RECT all{0, 0, width_, height_};
    SetBkColor(dc_, color);
    ExtTextOutW(dc_, 0, 0, ETO_OPAQUE, &all, nullptr, 0, nullptr);
  }
  COLORREF At(int x, int y) const { return GetPixel(dc_, x, y); }
  int Count(const RECT& box, COLORREF color) const {
    int n = 0;
    for (int y = box.top; y < box.bottom; ++y)
      for (int x = box.left; x < box.right; ++x) n += At(x, y) == color;
    return n;
  }
  int Differing(const RECT& box, COLORREF background) const {
    const int all = (box.right - box.left) * (box.bottom - box.top);
    return all - Count(box, background);
  }

private:
  int width_, height_;
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ old_;
};

constexpr int kWidth = 240, kHeight = 22;
const RECT kItemRect{0, 0, kWidth, kHeight};

bool DrawItem(TMenuLook& look, HMENU menu, int position, UINT state, TCanvas& canvas, const RECT& r = kItemRect) {
  DRAWITEMSTRUCT draw{};
  draw.CtlType = ODT_MENU;
  draw.itemID = GetMenuItemID(menu, position);
  draw.itemAction = ODA_DRAWENTIRE;
  draw.itemState = state;
  draw.hwndItem = reinterpret_cast<HWND>(menu);
  draw.hDC = canvas.Dc();
  draw.rcItem = r;
  draw.itemData = Info(menu, position).dwItemData;
  return look.Draw(draw);
}

MEASUREITEMSTRUCT Measured(TMenuLook& look, HMENU menu, int position, bool* ours = nullptr) {
  MEASUREITEMSTRUCT measure{};
  measure.CtlType = ODT_MENU;
  measure.itemID = GetMenuItemID(menu, position);
  measure.itemData = Info(menu, position).dwItemData;
  const bool result = look.Measure(measure);
  if (ours) *ours = result;
  return measure;
}

class MenuLook : public ::testing::Test {
protected:
  void SetUp() override {
    window.look.Attach(window.bar, true);
    DrawMenuBar(window.Handle());
  }
  TMenuWindow window;
};

TEST_F(MenuLook, AttachMakesEveryItemOwnerDrawnKeepingTextStyleAndStateAndDetachGivesThemBack) {
  TMenuLook& look = window.look;
  // Attaching again, and attaching a submenu on its own, changes nothing.
  look.Attach(window.bar, true);
  look.Attach(window.arrange, false);
  for (HMENU menu : {window.bar, window.file, window.edit, window.view, window.arrange}) {
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
      SCOPED_TRACE(i);
      const MENUITEMINFOW info = Info(menu, i);
      EXPECT_TRUE(info.fType & MFT_OWNERDRAW);
      bool ours = false;
      Measured(look, menu, i, &ours);
      EXPECT_TRUE(ours);
    }
  }
  EXPECT_EQ(look.Caption(window.bar, idCopy), "&Copy\tAlt+C");
  EXPECT_EQ(look.Caption(window.bar, idSelectGroup), "Select Group(&G)\t+");
  EXPECT_EQ(look.Caption(window.bar, idByExt), "by &Extension\tCtrl+Alt+E");
  EXPECT_EQ(look.Caption(window.file, idExit), "E&xit\tAlt+X");
  EXPECT_EQ(look.Caption(window.file, idByName), "");  // not in that menu
  EXPECT_EQ(GetMenuState(window.view, idToolbar, MF_BYCOMMAND) & MF_CHECKED, static_cast<UINT>(MF_CHECKED));
  EXPECT_TRUE(Info(window.view, PositionOfCommand(window.view, idList)).fType & MFT_RADIOCHECK);
  EXPECT_EQ(GetMenuState(window.view, idList, MF_BYCOMMAND) & MF_CHECKED, static_cast<UINT>(MF_CHECKED));
  EXPECT_EQ(GetMenuState(window.edit, idGoTo, MF_BYCOMMAND) & MF_GRAYED, static_cast<UINT>(MF_GRAYED));
  EXPECT_TRUE(Info(window.file, 3).fType & MFT_SEPARATOR);

  // The menu keeps its own copy of the text: the system finds mnemonics by it where it can.
  wchar_t text[64] = {};
  MENUITEMINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_STRING;
  info.dwTypeData = text;
  info.cch = 64;
  ASSERT_TRUE(GetMenuItemInfoW(window.file, idMove, FALSE, &info));
  EXPECT_STREQ(text, L"Mo&ve\tAlt+M");

  // Items appended later are plain until attached.
  Add(window.file, 105, L"&Later");
  bool ours = true;
  Measured(look, window.file, 5, &ours);
  EXPECT_FALSE(ours);
  look.Attach(window.file, false);
  EXPECT_EQ(look.Caption(window.bar, 105), "&Later");

  const ULONG_PTR arrangeData = Info(window.arrange, 0).dwItemData;
  look.Detach(window.view);
  EXPECT_FALSE(Info(window.view, 0).fType & MFT_OWNERDRAW);
  EXPECT_FALSE(Info(window.arrange, 1).fType & MFT_OWNERDRAW);
  EXPECT_TRUE(Info(window.view, PositionOfCommand(window.view, idList)).fType & MFT_RADIOCHECK);
  EXPECT_TRUE(Info(window.file, 0).fType & MFT_OWNERDRAW);
  MEASUREITEMSTRUCT stale{};
  stale.CtlType = ODT_MENU;
  stale.itemData = arrangeData;
  EXPECT_FALSE(look.Measure(stale));
  wchar_t plain[64] = {};
  GetMenuStringW(window.arrange, idByName, plain, 64, MF_BYCOMMAND);
  EXPECT_STREQ(plain, L"by &Name\tCtrl+Alt+N");
  // The favourite's own bitmap is back too.
  look.Detach(window.edit);
  MENUITEMINFOW image{};
  image.cbSize = sizeof image;
  image.fMask = MIIM_BITMAP;
  GetMenuItemInfoW(window.edit, idFavorite, FALSE, &image);
  EXPECT_EQ(image.hbmpItem, HBMMENU_CALLBACK);
}

TEST_F(MenuLook, MeasureGivesTheHintItsRoomAndSeparatorsLittleHeight) {
  TMenuLook& look = window.look;
  const MEASUREITEMSTRUCT copy = Measured(look, window.file, 0);
  const MEASUREITEMSTRUCT description = Measured(look, window.file, 2);
  const MEASUREITEMSTRUCT separator = Measured(look, window.file, 3);
  EXPECT_GE(copy.itemHeight, 16u);
  EXPECT_LT(separator.itemHeight, copy.itemHeight / 2 + 1);
  EXPECT_GT(description.itemWidth, copy.itemWidth);
  // A longer hint makes the same caption wider, by about the hint's extra width.
  look.SetCaption(window.bar, idCopy, "&Copy\tCtrl+Shift+Alt+Insert");
  const MEASUREITEMSTRUCT longer = Measured(look, window.file, 0);
  EXPECT_GT(longer.itemWidth, copy.itemWidth + 40);
  EXPECT_EQ(longer.itemHeight, copy.itemHeight);
  look.SetCaption(window.bar, idCopy, "&Copy");
  EXPECT_LT(Measured(look, window.file, 0).itemWidth, copy.itemWidth);
  // Menu-bar items are their caption and a margin wide.
  const MEASUREITEMSTRUCT fileTitle = Measured(look, window.bar, 0);
  const MEASUREITEMSTRUCT viewTitle = Measured(look, window.bar, 2);
  EXPECT_GT(fileTitle.itemWidth, 16u);
  EXPECT_LT(fileTitle.itemWidth, 80u);
  EXPECT_GT(fileTitle.itemHeight, 10u);
  EXPECT_EQ(viewTitle.itemHeight, fileTitle.itemHeight);

  MEASUREITEMSTRUCT control{};
  control.CtlType = ODT_LISTBOX;
  control.itemData = Info(window.file, 0).dwItemData;
  EXPECT_FALSE(look.Measure(control));
}

TEST_F(MenuLook, DrawPaintsStripHighlightSeparatorGlyphsAndTheBar) {
  TMenuLook& look = window.look;
  TCanvas canvas(kWidth, kHeight);
  const COLORREF white = RGB(255, 255, 255);
  const int mid = kHeight / 2;
  const RECT imageBox{TMenuLook::kStripWidth, 0, TMenuLook::kTextLeft - 2, kHeight};
  const RECT captionBox{TMenuLook::kTextLeft, 0, kWidth / 2, kHeight};
  const RECT hintBox{kWidth / 2, 0, kWidth - TMenuLook::kHintRight + 1, kHeight};

  ASSERT_TRUE(DrawItem(look, window.file, 0, 0, canvas));
  EXPECT_EQ(canvas.At(1, mid), TMenuLook::kStripColor);
  EXPECT_EQ(canvas.At(TMenuLook::kStripWidth, 1), white);
  EXPECT_EQ(canvas.At(kWidth - 2, 1), white);
  EXPECT_EQ(canvas.Count(kItemRect, RGB(1, 2, 3)), 0);  // every pixel of the item painted
  EXPECT_GT(canvas.Differing(captionBox, white), 0);         // "Copy"
  EXPECT_GT(canvas.Count(hintBox, GetSysColor(COLOR_GRAYTEXT)), 0);  // "Alt+C" in grey
  EXPECT_EQ(canvas.Differing(imageBox, white), 0);            // no check, no image
  // Nothing of the hint is drawn in the last pixels at the right.
  EXPECT_EQ(canvas.Differing({kWidth - TMenuLook::kHintRight + 1, 0, kWidth, kHeight}, white), 0);

  ASSERT_TRUE(DrawItem(look, window.file, 0, ODS_SELECTED, canvas));
  EXPECT_EQ(canvas.At(1, mid), TMenuLook::kStripColor);
  EXPECT_EQ(canvas.At(TMenuLook::kStripWidth, 1), TMenuLook::kHighlightColor);
  EXPECT_EQ(canvas.At(kWidth - 1, kHeight - 1), TMenuLook::kHighlightColor);
  EXPECT_GT(canvas.Count(captionBox, white), 0);  // white text
  EXPECT_GT(canvas.Count(hintBox, white), 0);

  canvas.Clear(RGB(1, 2, 3));
  ASSERT_TRUE(DrawItem(look, window.file, 3, 0, canvas, {0, 0, kWidth, 7}));
  EXPECT_EQ(canvas.At(1, 3), TMenuLook::kStripColor);
  EXPECT_EQ(canvas.At(kWidth / 2, 3), TMenuLook::kSeparatorColor);
  EXPECT_EQ(canvas.At(kWidth / 2, 1), white);
  EXPECT_EQ(canvas.At(kWidth / 2, 8), RGB(1, 2, 3));  // nothing outside the item

  // Disabled: the caption in the grey-text colour, and nothing in the menu-text colour.
  ASSERT_TRUE(DrawItem(look, window.edit, 2, ODS_GRAYED, canvas));
  EXPECT_GT(canvas.Count(captionBox, GetSysColor(COLOR_GRAYTEXT)), 0);
  EXPECT_EQ(canvas.Count(kItemRect, GetSysColor(COLOR_MENUTEXT)), 0);

  // A check mark and a radio bullet; they differ, and the bullet is round (its centre is set).
  const int toolbar = PositionOfCommand(window.view, idToolbar);
  const int list = PositionOfCommand(window.view, idList);
  const POINT centre{(imageBox.left + imageBox.right) / 2, mid};
  ASSERT_TRUE(DrawItem(look, window.view, toolbar, ODS_CHECKED, canvas));
  const int checkPixels = canvas.Differing(imageBox, white);
  const COLORREF checkCentre = canvas.At(centre.x, centre.y);
  EXPECT_GT(checkPixels, 6);
  ASSERT_TRUE(DrawItem(look, window.view, list, ODS_CHECKED, canvas));
  EXPECT_GT(canvas.Differing(imageBox, white), 6);
  EXPECT_NE(canvas.At(centre.x, centre.y), checkCentre);
  EXPECT_NE(canvas.At(centre.x, centre.y), white);
  ASSERT_TRUE(DrawItem(look, window.view, list, 0, canvas));
  EXPECT_EQ(canvas.Differing(imageBox, white), 0);

  // The item's own image comes from DrawImage, in the box left of the caption.
  std::vector<UINT> asked;
  RECT given{};
  look.DrawImage = [&](UINT id, HDC dc, const RECT& box, bool selected) {
    asked.push_back(id * 10 + (selected ? 1 : 0));
    given = box;
    SetBkColor(dc, RGB(0, 200, 0));
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &box, nullptr, 0, nullptr);
    return true;
  };
  const int favorite = PositionOfCommand(window.edit, idFavorite);
  ASSERT_TRUE(DrawItem(look, window.edit, favorite, ODS_SELECTED, canvas));
  ASSERT_TRUE(DrawItem(look, window.edit, 0, 0, canvas));  // no image of its own: not asked
  EXPECT_EQ(asked, std::vector<UINT>{idFavorite * 10 + 1});
  EXPECT_GE(given.left, TMenuLook::kStripWidth);
  EXPECT_LE(given.right, TMenuLook::kTextLeft);
  EXPECT_GE(given.right - given.left, 16);

  // Menu-bar items: the button face, the highlighted one blue with white text.
  const RECT title{0, 0, 50, kHeight};
  ASSERT_TRUE(DrawItem(look, window.bar, 0, 0, canvas, title));
  EXPECT_EQ(canvas.At(1, 1), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(canvas.At(48, kHeight - 2), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(canvas.Count(title, white), 0);
  ASSERT_TRUE(DrawItem(look, window.bar, 0, ODS_SELECTED, canvas, title));
  EXPECT_EQ(canvas.At(1, 1), TMenuLook::kBarHighlightColor);
  EXPECT_GT(canvas.Count(title, white), 0);
  ASSERT_TRUE(DrawItem(look, window.bar, 0, ODS_HOTLIGHT, canvas, title));
  EXPECT_EQ(canvas.At(1, 1), TMenuLook::kBarHighlightColor);
  // Centred: twice the room moves the text by half the extra width.
  const auto firstWhite = [&] {
    for (int x = 0; x < kWidth; ++x)
      for (int y = 0; y < kHeight; ++y)
        if (canvas.At(x, y) == white) return x;
    return -1;
  };
  const int narrow = firstWhite();
  ASSERT_TRUE(DrawItem(look, window.bar, 0, ODS_SELECTED, canvas, {0, 0, 100, kHeight}));
  EXPECT_EQ(firstWhite(), narrow + 25);
}

TEST_F(MenuLook, SetCaptionChangesWhatIsDrawnAndWhatCaptionGives) {
  TMenuLook& look = window.look;
  TCanvas canvas(kWidth, kHeight);
  const COLORREF white = RGB(255, 255, 255);
  const RECT hintBox{kWidth / 2, 0, kWidth, kHeight};
  const int favorite = PositionOfCommand(window.edit, idFavorite);  // no hint
  ASSERT_TRUE(DrawItem(look, window.edit, favorite, 0, canvas));
  EXPECT_EQ(canvas.Differing(hintBox, white), 0);
  look.SetCaption(window.bar, idFavorite, "&Favourite\tShift+F1");
  EXPECT_EQ(look.Caption(window.bar, idFavorite), "&Favourite\tShift+F1");
  ASSERT_TRUE(DrawItem(look, window.edit, favorite, 0, canvas));
  EXPECT_GT(canvas.Count(hintBox, GetSysColor(COLOR_GRAYTEXT)), 0);

  // A shorter caption leaves the tail of the caption area empty.
  const RECT tail{TMenuLook::kTextLeft + 14, 0, kWidth / 2, kHeight};
  look.SetCaption(window.bar, idSelectAll, "&S");
  EXPECT_EQ(look.Caption(window.edit, idSelectAll), "&S");
  ASSERT_TRUE(DrawItem(look, window.edit, 0, 0, canvas));
  EXPECT_EQ(canvas.Differing(tail, white), 0);
  // A caption for a command nobody has changes nothing.
  look.SetCaption(window.bar, 999, "x");
  EXPECT_EQ(look.Caption(window.bar, 999), "");
}

TEST_F(MenuLook, MenuCharFindsTheAmpersandLetter) {
  TMenuLook& look = window.look;
  EXPECT_EQ(look.MenuChar(L'c', MF_POPUP, window.file), MAKELRESULT(0, MNC_EXECUTE));
  EXPECT_EQ(look.MenuChar(L'C', MF_POPUP, window.file), MAKELRESULT(0, MNC_EXECUTE));
  EXPECT_EQ(look.MenuChar(L'v', MF_POPUP, window.file), MAKELRESULT(1, MNC_EXECUTE));
  EXPECT_EQ(look.MenuChar(L'x', MF_POPUP, window.file), MAKELRESULT(4, MNC_EXECUTE));
  EXPECT_EQ(HIWORD(look.MenuChar(L'm', MF_POPUP, window.file)), MNC_IGNORE);  // "Alt+M" is no mnemonic
  EXPECT_EQ(HIWORD(look.MenuChar(L'q', MF_POPUP, window.file)), MNC_IGNORE);
  EXPECT_EQ(look.MenuChar(L'g', MF_POPUP, window.edit), MAKELRESULT(1, MNC_EXECUTE));  // "(&G)"
  EXPECT_EQ(look.MenuChar(L'r', MF_POPUP, window.view), MAKELRESULT(4, MNC_EXECUTE));  // the submenu
  EXPECT_EQ(look.MenuChar(L'e', 0, window.bar), MAKELRESULT(1, MNC_EXECUTE));
  EXPECT_EQ(HIWORD(look.MenuChar(L'f', MF_SYSMENU, window.bar)), MNC_IGNORE);
  // "&&" is an ampersand, not a mnemonic; a greyed item is pointed at but does not run.
  look.SetCaption(window.bar, idSelectAll, "Save && &Quit");
  look.SetCaption(window.bar, idSelectGroup, "Select Group(&P)");
  EXPECT_EQ(look.MenuChar(L'q', MF_POPUP, window.edit), MAKELRESULT(0, MNC_EXECUTE));
  EXPECT_EQ(HIWORD(look.MenuChar(L's', MF_POPUP, window.edit)), MNC_IGNORE);
  EXPECT_EQ(look.MenuChar(L'G', MF_POPUP, window.edit), MAKELRESULT(2, MNC_SELECT));
  // A menu nobody attached is read from its own texts.
  HMENU plain = CreatePopupMenu();
  Add(plain, 1, L"&One");
  Add(plain, 2, L"&Two");
  EXPECT_EQ(look.MenuChar(L't', MF_POPUP, plain), MAKELRESULT(1, MNC_EXECUTE));
  DestroyMenu(plain);
}

// Keys as the keyboard gives them, into the system's input queue; the menu loop reads them there.
void Press(std::initializer_list<WORD> keys, bool alt = false) {
  std::vector<INPUT> input;
  const auto add = [&](WORD vk, bool up) {
    INPUT one{};
    one.type = INPUT_KEYBOARD;
    one.ki.wVk = vk;
    one.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    one.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    input.push_back(one);
  };
  if (alt) add(VK_MENU, false);
  for (WORD key : keys) {
    add(key, false);
    add(key, true);
  }
  if (alt) add(VK_MENU, true);
  SendInput(static_cast<UINT>(input.size()), input.data(), sizeof(INPUT));
}

template <typename Done>
bool Pump(Done done, int milliseconds) {
  const DWORD end = GetTickCount() + static_cast<DWORD>(milliseconds);
  while (!done() && static_cast<int>(end - GetTickCount()) > 0) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  return done();
}

bool Contains(const std::vector<HMENU>& menus, HMENU menu) {
  return std::find(menus.begin(), menus.end(), menu) != menus.end();
}

TEST_F(MenuLook, TheKeyboardOpensTheBarsMenusAndRunsItemsByTheirLetters) {
  SetForegroundWindow(window.Handle());
  Pump([] { return false; }, 100);
  ASSERT_EQ(GetForegroundWindow(), window.Handle());

  Press({'F'}, true);
  Press({'V'});
  ASSERT_TRUE(Pump([&] { return !window.commands.empty(); }, 3000));
  EXPECT_EQ(window.commands, std::vector<UINT>{idMove});
  EXPECT_TRUE(Contains(window.opened, window.file));

  // Into a submenu by its letter, and an item there by its own.
  window.commands.clear();
  Press({'V'}, true);
  Press({'R', 'E'});
  ASSERT_TRUE(Pump([&] { return !window.commands.empty(); }, 3000));
  EXPECT_EQ(window.commands, std::vector<UINT>{idByExt});
  EXPECT_TRUE(Contains(window.opened, window.arrange));

  // A caption changed later is found by its new letter.
  window.commands.clear();
  window.look.SetCaption(window.bar, idCopy, "Co&py\tAlt+C");
  Press({'F'}, true);
  Press({'P'});
  ASSERT_TRUE(Pump([&] { return !window.commands.empty(); }, 3000));
  EXPECT_EQ(window.commands, std::vector<UINT>{idCopy});
  std::printf("[ menu look ] WM_MENUCHAR asked %d times\n", window.menuChars);
}

// Screen pixels of a window, counted by colour.
BOOL CALLBACK FindPopups(HWND window, LPARAM data) {
  wchar_t name[16] = {};
  GetClassNameW(window, name, 16);
  if (IsWindowVisible(window) && lstrcmpW(name, L"#32768") == 0)
    reinterpret_cast<std::vector<HWND>*>(data)->push_back(window);
  return TRUE;
}

// The drop-downs the menu loop shows: windows of the system's menu class.
std::vector<HWND> OpenPopups() {
  std::vector<HWND> found;
  EnumWindows(FindPopups, reinterpret_cast<LPARAM>(&found));
  return found;
}

int ScreenCount(const RECT& r, COLORREF color) {
  HDC screen = GetDC(nullptr);
  int n = 0;
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x) n += GetPixel(screen, x, y) == color;
  ReleaseDC(nullptr, screen);
  return n;
}

int PopupCount(COLORREF color) {
  int n = 0;
  for (HWND popup : OpenPopups()) {
    RECT r{};
    GetWindowRect(popup, &r);
    n += ScreenCount(r, color);
  }
  return n;
}

// What a thread timer inside the menu loop saw on the screen while the drop-downs were open.
struct TScreenLook {
  HWND window = nullptr;
  size_t popups = 1;
  const char* shot = "";
  int ticks = 0;
  int strip = 0;
  int highlight = 0;
  int barHighlight = 0;
  static inline TScreenLook* current = nullptr;

  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    TScreenLook* self = current;
    if (!self || OpenPopups().size() < self->popups) return;
    // A few ticks for the keys to move the highlight and the popups to be painted.
    if (++self->ticks < 4) return;
    self->strip = PopupCount(TMenuLook::kStripColor);
    self->highlight = PopupCount(TMenuLook::kHighlightColor);
    RECT bar{};
    GetWindowRect(self->window, &bar);
    bar.bottom = bar.top + 60;
    self->barHighlight = ScreenCount(bar, TMenuLook::kBarHighlightColor);
    test::SaveShot(GetDesktopWindow(), self->shot);
    EndMenu();
  }
};

TEST_F(MenuLook, OpenDropDownsShowTheStripAndTheHighlightOnScreen) {
  // The favourite's folder picture, drawn the way the main window draws it.
  HBITMAP folder = static_cast<HBITMAP>(
      LoadImageW(GetModuleHandleW(nullptr), L"DIR", IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  ASSERT_NE(folder, nullptr);
  window.look.DrawImage = [&](UINT id, HDC dc, const RECT& box, bool) {
    if (id != idFavorite) return false;
    HDC source = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(source, folder);
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    GdiAlphaBlend(dc, (box.left + box.right - 16) / 2, (box.top + box.bottom - 16) / 2, 16, 16, source, 0, 0, 16, 16,
                  blend);
    SelectObject(source, old);
    DeleteDC(source);
    return true;
  };
  SetForegroundWindow(window.Handle());
  Pump([] { return false; }, 100);
  struct TCase {
    WORD title;
    std::initializer_list<WORD> keys;
    size_t popups;
    const char* shot;
  };
  // File with its second item highlighted; Edit with the favourite; View's Arrange submenu open.
  for (const TCase& c : {TCase{'F', {VK_DOWN}, 1, "menu-file"}, TCase{'E', {VK_UP}, 1, "menu-edit"},
                         TCase{'V', {VK_UP, VK_RIGHT}, 2, "menu-view"}}) {
    SCOPED_TRACE(c.shot);
    TScreenLook seen;
    seen.window = window.Handle();
    seen.popups = c.popups;
    seen.shot = c.shot;
    TScreenLook::current = &seen;
    const UINT_PTR timer = SetTimer(nullptr, 0, 100, TScreenLook::Tick);
    Press({c.title}, true);
    Press(c.keys);
    Pump([&] { return seen.ticks >= 4; }, 5000);
    KillTimer(nullptr, timer);
    TScreenLook::current = nullptr;
    Pump([] { return OpenPopups().empty(); }, 2000);
    EXPECT_GE(seen.ticks, 4);
    // The strip runs down every item; the highlighted item is a wide band; the title is pushed.
    EXPECT_GT(seen.strip, 4 * 4 * 10);
    EXPECT_GT(seen.highlight, 80 * 10);
    EXPECT_GT(seen.barHighlight, 20 * 10);
  }
  EXPECT_TRUE(window.commands.empty());
  DeleteObject(folder);
}

// ---------------------------------------------------------------------------------------------
// The About box

TEST(AboutBox, OpensCentredOverItsOwnerWithIconNameAndVersionAndClosesByEscapeOrEnter) {
  HWND owner = CreateWindowExW(0, L"STATIC", L"Quill test owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 117, 93, 701,
                               503, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  HWND field = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE, 10, 10, 100, 20, owner, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
  SetForegroundWindow(owner);
  SetFocus(field);
  ASSERT_EQ(GetFocus(), field);

  for (WPARAM key : {VK_ESCAPE, VK_RETURN}) {
    SCOPED_TRACE(key);
    RECT box{}, frame{};
    std::wstring name, version;
    HANDLE icon = nullptr;
    bool ownerEnabled = true;
    test::TScript script({{"About Quill", [&](HWND dialog) {
                             GetWindowRect(dialog, &box);
                             GetWindowRect(owner, &frame);
                             wchar_t text[64] = {};
                             GetWindowTextW(GetDlgItem(dialog, TfAbout::kNameId), text, 64);
                             name = text;
                             GetWindowTextW(GetDlgItem(dialog, TfAbout::kVersionId), text, 64);
                             version = text;
                             icon = reinterpret_cast<HANDLE>(
                                 SendMessageW(GetDlgItem(dialog, TfAbout::kIconId), STM_GETICON, 0, 0));
                             ownerEnabled = IsWindowEnabled(owner);
                             if (key == VK_ESCAPE) test::SaveShot(dialog, "about");
                             PostMessageW(GetFocus(), WM_KEYDOWN, key, 1);
                           }}});
    ShowAboutBox(owner);
    EXPECT_TRUE(script.Finished());
    EXPECT_FALSE(script.Rescued());
    EXPECT_EQ(box.left, frame.left + (frame.right - frame.left) / 2 - (box.right - box.left) / 2);
    EXPECT_EQ(box.top, frame.top + (frame.bottom - frame.top) / 2 - (box.bottom - box.top) / 2);
    EXPECT_EQ(name, L"Quill");
    EXPECT_EQ(version, L"Version 4.0 Beta3");
    EXPECT_NE(icon, nullptr);
    EXPECT_FALSE(ownerEnabled);
    EXPECT_TRUE(IsWindowEnabled(owner));
    EXPECT_EQ(GetFocus(), field);
  }
  DestroyWindow(owner);
}

}  // namespace
}  // namespace quill

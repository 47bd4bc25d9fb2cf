// The main window's menu bar, its keyboard shortcuts, the drop-down menus of the navigation bar
// and the commands they run.
#include <algorithm>
#include <vector>

#include "app/Commands.h"
#include "app/MainForm.h"
#include "base/Path.h"
#include "base/Text.h"
#include "fileview/ShellUtils.h"
#include "messages/Messages.h"
#include "navigation/StringHistory.h"
#include "platform/StringTable.h"
#include "platform/Utf16.h"

namespace quill {

namespace {
constexpr int kTextUpOneLevel = 505;
constexpr int kTextRoot = 506;
constexpr int kTextInvertSelection = 501;
constexpr int kTextNewFolder = 547;
constexpr int kTextNewFolderPrompt = 548;
constexpr int kTextSelectGroup = 502;
constexpr int kTextUnselectGroup = 503;
constexpr int kTextFilterPrompt = 520;
constexpr int kTextFilter = 521;

void Append(HMENU menu, UINT id, const std::string& caption, bool enabled = true) {
  AppendMenuW(menu, MF_STRING | (enabled ? 0 : MF_GRAYED), id, Widen(caption).c_str());
}

// A string-table caption, or the built-in one when the table lacks it.
std::string Caption(int id, const char* fallback) {
  std::string text = LoadText(static_cast<unsigned>(id));
  return text.empty() ? std::string(fallback) : text;
}
}  // namespace

void TMainForm::BuildMenus() {
  menu_ = CreateMenu();
  HMENU file = CreatePopupMenu();
  Append(file, cmCopy, "&Copy\tAlt+C");
  Append(file, cmMove, "Mo&ve\tAlt+M");
  Append(file, cmDelete, "&Delete\tAlt+D");
  Append(file, cmDescription, "D&escription\tAlt+Enter");
  AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
  Append(file, cmExit, "E&xit\tAlt+X");

  HMENU folder = CreatePopupMenu();
  Append(folder, cmTree, "&Tree...\tF10");
  Append(folder, cmFavorites, "&Favorites\tF11");
  Append(folder, cmCreateFolder, "&Create New Folder\tAlt+K");
  AppendMenuW(folder, MF_SEPARATOR, 0, nullptr);
  Append(folder, cmBack, "&Back\tAlt+Left");
  Append(folder, cmForward, "&Foward\tAlt+Right");
  Append(folder, cmUpOneLevel, Caption(kTextUpOneLevel, "&Up One Level\t."));
  Append(folder, cmRoot, Caption(kTextRoot, "&Root\t\\"));
  Append(folder, cmLastDestination, "Last &Destination\tCtrl+Backspace");
  // There is no go-to dialog: the address box is where a path is typed.
  Append(folder, cmGoTo, "&Go to...\tAlt+G", false);
  Append(folder, cmNetwork, "&Network...");
  AppendMenuW(folder, MF_SEPARATOR, 0, nullptr);
  HMENU setWork = CreatePopupMenu();
  HMENU goWork = CreatePopupMenu();
  for (int i = 0; i < 3; ++i) {
    Append(setWork, cmSetWork1 + i, Format("Work Folder &%d\tCtrl+%d", i + 1, i + 1));
    Append(goWork, cmGoWork1 + i, Format("Work Folder &%d\tAlt+F%d", i + 1, i + 1));
  }
  AppendMenuW(folder, MF_POPUP, reinterpret_cast<UINT_PTR>(setWork), L"&Set WorkFolder");
  AppendMenuW(folder, MF_POPUP, reinterpret_cast<UINT_PTR>(goWork), L"Go to &WorkFolder");
  AppendMenuW(folder, MF_SEPARATOR, 0, nullptr);
  Append(folder, cmRefresh, "&Refresh\tCtrl+R");

  HMENU edit = CreatePopupMenu();
  Append(edit, cmSelectAll, "Select &All\tAlt+U");
  Append(edit, cmInvertSelection, Caption(kTextInvertSelection, "&Invert Selection\t*"));
  Append(edit, cmRestoreSelection, "&Restore Selection\tCtrl+Shift+R");
  Append(edit, cmSelectGroup, Caption(kTextSelectGroup, "Select Group") + "(&G)\t+");
  Append(edit, cmUnselectGroup, Caption(kTextUnselectGroup, "Deselect Group") + "(&D)\t-");
  Append(edit, cmSelectSameExt, "Select Same &Ext\tNum /");
  Append(edit, cmFindNext, "&Find Next\tCtrl+L");

  HMENU system = CreatePopupMenu();
  Append(system, cmDesktop, "&Desktop\tCtrl+D");
  Append(system, cmStartMenu, "&Start Menu\tCtrl+S");
  Append(system, cmMyDocuments, "&My Documents\tCtrl+W");
  AppendMenuW(system, MF_SEPARATOR, 0, nullptr);
  Append(system, cmTempFolder, "&Go to Temp Folder\tCtrl+P");

  HMENU tools = CreatePopupMenu();
  Append(tools, cmDeleteAllDescriptions, "&Delete All Descriptions");

  AppendMenuW(menu_, MF_POPUP, reinterpret_cast<UINT_PTR>(file), L"&File");
  AppendMenuW(menu_, MF_POPUP, reinterpret_cast<UINT_PTR>(folder), L"F&older");
  AppendMenuW(menu_, MF_POPUP, reinterpret_cast<UINT_PTR>(edit), L"&Edit");
  AppendMenuW(menu_, MF_POPUP, reinterpret_cast<UINT_PTR>(system), L"&System");
  AppendMenuW(menu_, MF_POPUP, reinterpret_cast<UINT_PTR>(tools), L"&Tools");
  SetMenu(Handle(), menu_);

  const BYTE alt = FVIRTKEY | FALT, ctrl = FVIRTKEY | FCONTROL, key = FVIRTKEY;
  const BYTE ctrlShift = FVIRTKEY | FCONTROL | FSHIFT;
  std::vector<ACCEL> table = {
      {key, VK_F10, cmTree},
      {key, VK_F11, cmFavorites},
      {alt, 'K', cmCreateFolder},
      {alt, VK_LEFT, cmBack},
      {alt, VK_RIGHT, cmForward},
      {ctrl, VK_BACK, cmLastDestination},
      {ctrl, '1', cmSetWork1},
      {ctrl, '2', cmSetWork2},
      {ctrl, '3', cmSetWork3},
      {alt, VK_F1, cmGoWork1},
      {alt, VK_F2, cmGoWork2},
      {alt, VK_F3, cmGoWork3},
      {ctrl, 'R', cmRefresh},
      {ctrl, 'D', cmDesktop},
      {ctrl, 'S', cmStartMenu},
      {ctrl, 'W', cmMyDocuments},
      {ctrl, 'P', cmTempFolder},
      {alt, 'U', cmSelectAll},
      {ctrlShift, 'I', cmInvertSelection},
      {ctrlShift, 'R', cmRestoreSelection},
      {ctrl, 'L', cmFindNext},
      {alt, 'X', cmExit},
      {alt, 'C', cmCopy},
      {alt, 'M', cmMove},
      {alt, 'D', cmDelete},
      {alt, VK_RETURN, cmDescription},
  };
  accelerators_ = CreateAcceleratorTableW(table.data(), static_cast<int>(table.size()));
}

void TMainForm::ShowDropDown(TNavButton button, POINT screen) {
  if (screen.x == 0 && screen.y == 0) {
    const RECT r = bar_.ButtonRect(button);
    screen = {r.left, r.bottom};
    ClientToScreen(bar_.Handle(), &screen);
  }
  HMENU menu = nullptr;
  std::vector<std::string> paths;
  if (button == nbBack || button == nbForward) {
    menu = CreatePopupMenu();
    paths = button == nbBack ? BackMenuItems(history_) : ForwardMenuItems(history_);
    for (size_t i = 0; i < paths.size(); ++i) Append(menu, cmHistoryItem + static_cast<UINT>(i), paths[i]);
  } else if (button == nbFavorites) {
    menu = CreateFavoritesMenu();
  } else {
    return;
  }
  if (GetMenuItemCount(menu) == 0) {
    DestroyMenu(menu);
    return;
  }
  const UINT chosen = static_cast<UINT>(
      TrackPopupMenu(menu, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN, screen.x, screen.y, 0, Handle(), nullptr));
  DestroyMenu(menu);
  if (chosen >= cmHistoryItem && chosen <= cmHistoryItemLast) {
    const size_t index = chosen - cmHistoryItem;
    if (index < paths.size()) ShowFromHistoryMenu(paths[index]);
  } else if (chosen != 0) {
    RunCommand(chosen);
  }
}

HMENU TMainForm::CreateFavoritesMenu() {
  HMENU menu = CreatePopupMenu();
  const std::vector<TFavorite>& favorites = Favorites();
  const size_t count = std::min<size_t>(favorites.size(), cmFavoriteItemLast - cmFavoriteItem + 1);
  for (size_t i = 0; i < count; ++i) {
    Append(menu, cmFavoriteItem + static_cast<UINT>(i), favorites[i].name);
    // The folder bitmap is drawn by this window (MenuBitmapDraw): menus copy a bitmap item as
    // it is, with no regard to its transparency, and invert it on the highlighted item.
    MENUITEMINFOW item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_BITMAP;
    item.hbmpItem = HBMMENU_CALLBACK;
    SetMenuItemInfoW(menu, cmFavoriteItem + static_cast<UINT>(i), FALSE, &item);
  }
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  Append(menu, cmAddFavorite, "Add to Favorites");
  // The organiser comes with the settings windows.
  Append(menu, cmOrganizeFavorites, "Organize Favorites", false);
  return menu;
}

HBITMAP TMainForm::FolderBitmap() {
  // Loaded once and kept for the window's life.
  if (!folderBitmap_)
    folderBitmap_ = static_cast<HBITMAP>(
        LoadImageW(GetModuleHandleW(nullptr), L"DIR", IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  return folderBitmap_;
}

bool TMainForm::IsFavoriteItem(UINT id) { return id >= cmFavoriteItem && id <= cmFavoriteItemLast; }

void TMainForm::MenuBitmapMeasure(MEASUREITEMSTRUCT& item) {
  BITMAP info{};
  if (!GetObjectW(FolderBitmap(), sizeof info, &info)) return;
  item.itemWidth = static_cast<UINT>(info.bmWidth);
  item.itemHeight = static_cast<UINT>(info.bmHeight);
}

void TMainForm::MenuBitmapDraw(const DRAWITEMSTRUCT& item) {
  BITMAP info{};
  HBITMAP bitmap = FolderBitmap();
  if (!GetObjectW(bitmap, sizeof info, &info)) return;
  HDC source = CreateCompatibleDC(item.hDC);
  HGDIOBJ old = SelectObject(source, bitmap);
  const int left = item.rcItem.left + (item.rcItem.right - item.rcItem.left - info.bmWidth) / 2;
  const int top = item.rcItem.top + (item.rcItem.bottom - item.rcItem.top - info.bmHeight) / 2;
  const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  GdiAlphaBlend(item.hDC, left, top, info.bmWidth, info.bmHeight, source, 0, 0, info.bmWidth, info.bmHeight, blend);
  SelectObject(source, old);
  DeleteDC(source);
}

void TMainForm::SelectGroupCommand(bool select) {
  std::string masks;
  if (Questions().AskText(Caption(kTextFilter, "Filter"), LoadText(kTextFilterPrompt), masks, true, 0) != mrOk) return;
  if (!Trim(masks).empty()) view_.SelectGroup(masks, select);
}

void TMainForm::CreateFolderCommand() {
  std::string name = LoadText(kTextNewFolder);
  if (Questions().AskText(name, LoadText(kTextNewFolderPrompt), name, true, 0) != mrOk || Trim(name).empty()) return;
  notify_.SetActive(false);
  const bool absolute = name.find(':') != std::string::npos || StartsWith(name, "\\");
  const std::string path = absolute ? name : JoinPath(view_.Folder(), name);
  if (CreateDirectoryW(LongPath(path).c_str(), nullptr)) {
    view_.Refresh(FileNamePart(path), true);
  } else {
    Questions().ShowError(GetLastError(), LoadText(kTextError), true);
  }
  notify_.SetActive(autoRefresh_);
}

bool TMainForm::RunCommand(UINT id) {
  if (id >= cmFavoriteKey1 && id <= cmFavoriteKey12) {
    ShowFavorite(static_cast<int>(id - cmFavoriteKey1) + 1);
    return true;
  }
  if (id >= cmFavoriteItem && id <= cmFavoriteItemLast) {
    const size_t index = id - cmFavoriteItem;
    const std::vector<TFavorite>& favorites = Favorites();
    if (index < favorites.size()) ShowFolder(favorites[index].target);
    return true;
  }
  switch (id) {
    case cmTree: ChooseTree(); return true;
    case cmFavorites: ShowDropDown(nbFavorites, {}); return true;
    case cmCreateFolder: CreateFolderCommand(); return true;
    case cmBack: Back(); return true;
    case cmForward: Forward(); return true;
    case cmUpOneLevel: UpOneLevel(); return true;
    case cmRoot: Root(); return true;
    case cmLastDestination: GoLastDestination(); return true;
    case cmGoTo: return true;
    case cmNetwork: BrowseNetwork(); return true;
    case cmSetWork1:
    case cmSetWork2:
    case cmSetWork3: SetWorkFolder(static_cast<int>(id - cmSetWork1)); return true;
    case cmGoWork1:
    case cmGoWork2:
    case cmGoWork3: GoWorkFolder(static_cast<int>(id - cmGoWork1)); return true;
    case cmRefresh: {
      const TFile* focused = view_.FocusedFile();
      view_.Refresh(focused ? focused->FullName() : std::string(), true);
      UpdateDiskInfo();
      return true;
    }
    case cmAddFavorite: AddToFavorites(); return true;
    case cmDesktop: ShowShellFolder("Desktop"); return true;
    case cmStartMenu: ShowShellFolder("Start Menu"); return true;
    case cmMyDocuments: ShowShellFolder("Personal"); return true;
    case cmTempFolder: GoTempFolder(); return true;
    case cmSelectAll: SelectAllCommand(); return true;
    case cmInvertSelection: view_.InvertSelection(); return true;
    case cmFindNext: view_.FindNext(); return true;
    case cmSelectGroup: SelectGroupCommand(true); return true;
    case cmUnselectGroup: SelectGroupCommand(false); return true;
    case cmSelectSameExt: view_.SelectSameExt(); return true;
    case cmExit: Close(); return true;
    case cmCopy: CopyCommand(false); return true;
    case cmMove: CopyCommand(true); return true;
    case cmDelete: DeleteCommand(); return true;
    case cmRestoreSelection: RestoreSelection(); return true;
    case cmDescription: DescriptionCommand(); return true;
    case cmDeleteAllDescriptions: DeleteAllDescriptionsCommand(); return true;
    default: return false;
  }
}

}  // namespace quill

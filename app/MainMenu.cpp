// The main window's menu bar, its keyboard shortcuts, the drop-down menus of the navigation bar
// and the commands they run.
#include <algorithm>
#include <vector>

#include "app/CommandTable.h"
#include "app/Commands.h"
#include "app/MainForm.h"
#include "base/Path.h"
#include "base/Text.h"
#include "fileview/FileUtils.h"
#include "fileview/ShellUtils.h"
#include "messages/Messages.h"
#include "navigation/StringHistory.h"
#include "platform/StringTable.h"
#include "platform/Utf16.h"

namespace quill {

namespace {
constexpr int kTextExtractTo = 1100;
constexpr int kTextExtractToFolders = 1101;
constexpr int kTextNewFolder = 547;
constexpr int kTextNewFolderPrompt = 548;

void Append(HMENU menu, UINT id, const std::string& caption, bool enabled = true) {
  AppendMenuW(menu, MF_STRING | (enabled ? 0 : MF_GRAYED), id, Widen(caption).c_str());
}
}  // namespace

HMENU TMainForm::SubMenu(HMENU bar, const std::string& place) {
  // "&View|A&rrange": each level is found by its caption or appended at the end.
  HMENU menu = bar;
  size_t from = 0;
  while (from <= place.size()) {
    const size_t bar_ = place.find('|', from);
    const std::string caption = place.substr(from, bar_ == std::string::npos ? std::string::npos : bar_ - from);
    HMENU found = nullptr;
    for (const auto& [owner, name, sub] : subMenus_)
      if (owner == menu && name == caption) found = sub;
    if (!found) {
      found = CreatePopupMenu();
      AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(found), Widen(caption).c_str());
      subMenus_.push_back({menu, caption, found});
    }
    menu = found;
    if (bar_ == std::string::npos) break;
    from = bar_ + 1;
  }
  return menu;
}

std::string TMainForm::MenuCaption(const TCommand& command) const {
  std::string caption = command.caption ? command.caption : "";
  std::string hint = command.hint ? command.hint : ShortcutText(ShortcutOf(command, ctrlX_));
  return hint.empty() ? caption : caption + "\t" + hint;
}

void TMainForm::BuildMenus() {
  menu_ = CreateMenu();
  subMenus_.clear();
  for (const TCommand& command : Commands()) {
    if (!command.place) continue;
    HMENU popup = SubMenu(menu_, command.place);
    if (!command.caption) {
      AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
      continue;
    }
    AppendMenuW(popup, MF_STRING | (command.run ? 0 : MF_GRAYED), command.id, Widen(MenuCaption(command)).c_str());
    if (command.radio) {
      MENUITEMINFOW info{};
      info.cbSize = sizeof info;
      info.fMask = MIIM_FTYPE;
      info.fType = MFT_STRING | MFT_RADIOCHECK;
      SetMenuItemInfoW(popup, command.id, FALSE, &info);
    }
  }
  SetMenu(Handle(), menu_);
  menuLook_.DrawImage = [this](UINT id, HDC dc, const RECT& r, bool) {
    if (!IsFavoriteItem(id)) return false;
    DrawFolderBitmap(dc, r);
    return true;
  };
  menuLook_.Attach(menu_, true);
  BuildAccelerators();
}

void TMainForm::BuildAccelerators() {
  std::vector<ACCEL> table;
  for (const TCommand& command : Commands()) {
    const TShortcut key = ShortcutOf(command, ctrlX_);
    // A command that cannot run leaves its key to whatever has the focus.
    if (key.key == 0 || !command.run) continue;
    // While the command box is open it takes the clipboard keys itself.
    if (commandBoxOpen_ && key.modifiers == kmCtrl && (key.key == 'C' || key.key == 'V' || key.key == 'X')) continue;
    BYTE flags = FVIRTKEY;
    if (key.modifiers & kmCtrl) flags |= FCONTROL;
    if (key.modifiers & kmShift) flags |= FSHIFT;
    if (key.modifiers & kmAlt) flags |= FALT;
    table.push_back({flags, static_cast<WORD>(key.key), static_cast<WORD>(command.id)});
  }
  if (accelerators_) DestroyAcceleratorTable(accelerators_);
  accelerators_ = CreateAcceleratorTableW(table.data(), static_cast<int>(table.size()));
}

void TMainForm::SetShortcutCaptions() {
  // Captions whose hint follows the CtrlX option.
  for (const TCommand& command : Commands())
    if (command.place && command.caption && command.rule != srFixed)
      menuLook_.SetCaption(menu_, command.id, MenuCaption(command));
}

void TMainForm::SetMenuCaptions() {
  for (const TCommand& command : Commands()) {
    if (!command.captionText) continue;
    std::string text = LoadText(static_cast<unsigned>(command.captionText));
    if (text.empty()) continue;
    if (command.captionSuffix) text += command.captionSuffix;
    menuLook_.SetCaption(menu_, command.id, text);
  }
}

void TMainForm::InitMenuPopup(HMENU popup) {
  const int count = GetMenuItemCount(popup);
  for (int i = 0; i < count; ++i) {
    const UINT id = GetMenuItemID(popup, i);
    const TCommand* command = id == static_cast<UINT>(-1) ? nullptr : FindCommand(id);
    if (!command) continue;
    EnableMenuItem(popup, id, MF_BYCOMMAND | (CommandEnabled(*command) ? MF_ENABLED : MF_GRAYED));
    if (command->checked) CheckMenuItem(popup, id, MF_BYCOMMAND | (command->checked(*this) ? MF_CHECKED : MF_UNCHECKED));
  }
}

UINT TMainForm::TrackMenu(HMENU menu, POINT screen, UINT flags) {
  menuLook_.Attach(menu, false);
  const UINT chosen = static_cast<UINT>(
      TrackPopupMenu(menu, flags | TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN, screen.x, screen.y, 0, Handle(), nullptr));
  menuLook_.Detach(menu);
  DestroyMenu(menu);
  return chosen;
}

namespace {
void AppendItem(HMENU menu, UINT id, const std::string& caption, bool enabled, bool checked = false, bool radio = false) {
  MENUITEMINFOW info{};
  info.cbSize = sizeof info;
  const std::wstring text = Widen(caption);
  info.fMask = MIIM_ID | MIIM_STRING | MIIM_STATE | MIIM_FTYPE;
  info.fType = MFT_STRING | (radio ? MFT_RADIOCHECK : 0);
  info.fState = (enabled ? MFS_ENABLED : MFS_GRAYED) | (checked ? MFS_CHECKED : 0);
  info.wID = id;
  info.dwTypeData = const_cast<wchar_t*>(text.c_str());
  InsertMenuItemW(menu, static_cast<UINT>(GetMenuItemCount(menu)), TRUE, &info);
}
}  // namespace

void TMainForm::AppendCommand(HMENU menu, UINT id, const std::string& caption, bool enabledToo) {
  const TCommand* command = FindCommand(id);
  const bool enabled = command && CommandEnabled(*command) && enabledToo;
  const bool checked = command && command->checked && command->checked(*this);
  AppendItem(menu, id, caption, enabled, checked, command && command->radio);
}

void TMainForm::PaneContextMenu(int x, int y) {
  POINT screen{x, y};
  ClientToScreen(pane_.Handle(), &screen);
  // The shell's menu opens where this one was asked for, also when chosen from the entry menu.
  contextPoint_ = screen;
  struct TForget {
    std::optional<POINT>& point;
    ~TForget() { point.reset(); }
  } forget{contextPoint_};
  // The title line: the folder menu.
  if (pane_.Settings().ViewTitle && y >= 1 && y <= 23) {
    if (view_.OwnerData()) return;
    HMENU menu = CreatePopupMenu();
    AppendCommand(menu, cmCreateFolder, "Create Folder");
    AppendCommand(menu, cmSelectAll, "Select All");
    AppendCommand(menu, cmRefresh, "Refresh");
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendCommand(menu, cmFolderProperties, "Properties");
    RunCommand(TrackMenu(menu, screen, TPM_RIGHTBUTTON));
    return;
  }
  const int hit = pane_.ItemAt(x, y);
  if (hit < 0) return;
  const TFile* file = view_.Files().Items(hit);
  // Entries inside an archive get the archive's own menu, the shell's menu is asked for drive
  // entries and by the ExplorerMenu option: both come with their commands.
  if (file->IsParent()) return;
  if (view_.OwnerData()) {
    if (!file->IsDrive()) ArchiveMenu(screen);
    return;
  }
  if (file->IsDrive() || ini_.ReadBool("Option", "ExplorerMenu", false)) {
    RunCommand(cmExplorerMenu);
    return;
  }
  RunCommand(TrackMenu(EntryMenu(), screen, TPM_RIGHTBUTTON));
}

HMENU TMainForm::EntryMenu() {
  const TFiles& files = view_.Files();
  bool anySelected = false;
  bool anyArchive = false;
  for (int i = 0; i < files.Count(); ++i) {
    const TFile* f = files.Items(i);
    if (!f->Selected) continue;
    anySelected = true;
    if (!f->IsFolder() && !f->IsDrive() && ArchiveKind(f->FullName()) != kArchiveNone) anyArchive = true;
  }
  const TFile* focused = view_.FocusedFile();
  const bool plainFile = focused && !focused->IsFolder() && !focused->IsDrive();
  if (!anySelected && plainFile && ArchiveKind(focused->FullName()) != kArchiveNone) anyArchive = true;

  HMENU menu = CreatePopupMenu();
  AppendCommand(menu, cmExplorerMenu, "&Explorer Menu");
  if (!anySelected && plainFile) AppendCommand(menu, cmOpenWith, "Open &With...");
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  AppendCommand(menu, cmDescription, "De&scription");
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  AppendCommand(menu, cmCopy, "&Copy");
  AppendCommand(menu, cmMove, "&Move");
  AppendCommand(menu, cmDelete, "&Delete");
  AppendCommand(menu, cmRename, "&Rename");
  AppendCommand(menu, cmAttributes, "Attributes/Time(&Z)");
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  AppendCommand(menu, cmAddToArchive, "&Add to Archive");
  AppendCommand(menu, cmExtract, "E&xtract", anyArchive);
  if (anyArchive) AppendCommand(menu, cmExtractTo, ExtractToCaption(anySelected));
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  AppendCommand(menu, cmCreateShortcut, "Create Shortcut");
  AppendCommand(menu, cmClipPaste, "Paste(&V)", IsClipboardFormatAvailable(CF_HDROP) != FALSE);
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  AppendCommand(menu, cmProperties, "Proper&ties");
  return menu;
}

std::string TMainForm::ExtractToCaption(bool anySelected) {
  if (anySelected) return LoadText(kTextExtractToFolders);
  const TFile* focused = view_.FocusedFile();
  const std::string name = focused ? focused->Name() : std::string();
  return LoadText(kTextExtractTo) + " \"" + name + "\"";
}

void TMainForm::PaneTitleClick(int x, int y) {
  RECT client{};
  GetClientRect(pane_.Handle(), &client);
  POINT screen{x, y};
  ClientToScreen(pane_.Handle(), &screen);
  HMENU menu = nullptr;
  if (x >= client.right - 20) {
    menu = CreatePopupMenu();
    static constexpr const char* kSorts[] = {"by Name", "by Extension", "by Size", "by Time", "by None"};
    for (int i = 0; i < 5; ++i) AppendCommand(menu, cmSortName + static_cast<UINT>(i), kSorts[i]);
  } else if (x >= client.right - 36) {
    menu = CreatePopupMenu();
    AppendCommand(menu, cmColumnAuto, "Auto");
    for (int i = 1; i <= 6; ++i) AppendCommand(menu, cmColumnAuto + static_cast<UINT>(i), Format("%d Col", i));
  }
  (void)y;
  if (menu) RunCommand(TrackMenu(menu, screen, 0));
}

void TMainForm::ApplicationKey() {
  const int focus = view_.ItemIndex();
  if (focus < 0) return;
  const RECT r = pane_.ItemRect(focus);
  PaneContextMenu(r.left + 10, r.top + 10);
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
  } else if (button == nbViews) {
    menu = CreatePopupMenu();
    AppendCommand(menu, cmViewList, "L&ist");
    AppendCommand(menu, cmViewIcons, "Lar&ge Icons");
  } else {
    return;
  }
  if (GetMenuItemCount(menu) == 0) {
    DestroyMenu(menu);
    return;
  }
  const UINT chosen = TrackMenu(menu, screen, 0);
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
    // The caption is the name as it is: an "&" in it is not a mnemonic.
    std::string name;
    for (const char c : favorites[i].name) name += c == '&' ? std::string("&&") : std::string(1, c);
    Append(menu, cmFavoriteItem + static_cast<UINT>(i), name);
    // The folder bitmap is the item's image, drawn by this window (DrawFolderBitmap) with its
    // transparency.
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

void TMainForm::DrawFolderBitmap(HDC dc, const RECT& r) {
  BITMAP info{};
  HBITMAP bitmap = FolderBitmap();
  if (!GetObjectW(bitmap, sizeof info, &info)) return;
  HDC source = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(source, bitmap);
  const int left = r.left + (r.right - r.left - info.bmWidth) / 2;
  const int top = r.top + (r.bottom - r.top - info.bmHeight) / 2;
  // The bitmap carries its own transparency.
  const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  GdiAlphaBlend(dc, left, top, info.bmWidth, info.bmHeight, source, 0, 0, info.bmWidth, info.bmHeight, blend);
  SelectObject(source, old);
  DeleteDC(source);
}

void TMainForm::CreateFolderCommand() {
  if (view_.OwnerData()) return;
  std::string name = LoadText(kTextNewFolder);
  if (Questions().AskText(name, LoadText(kTextNewFolderPrompt), name, true, 0) != mrOk || Trim(name).empty()) return;
  notify_.SetActive(false);
  const bool absolute = name.find(':') != std::string::npos || StartsWith(name, "\\");
  const std::string path = absolute ? name : JoinPath(view_.Folder(), name);
  if (CreateDirectoryW(LongPath(path).c_str(), nullptr)) {
    CacheFolderCreated(StripBackslash(path));
    view_.Refresh(FileNamePart(path), true);
  } else {
    Questions().ShowError(GetLastError(), LoadText(kTextError), true);
  }
  notify_.SetActive(autoRefresh_);
}

}  // namespace quill

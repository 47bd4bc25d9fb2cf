#include "drivewin/NetworkWindow.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <iterator>
#include <stdexcept>

#include "base/Path.h"
#include "base/Text.h"
#include "drivewin/DriveList.h"
#include "fileview/ShellUtils.h"
#include "messages/Centring.h"
#include "messages/Questions.h"
#include "platform/Utf16.h"
#include "platform/Win32Text.h"

namespace quill {

namespace {

constexpr COLORREF kShareColor = RGB(0, 0, 0);
constexpr COLORREF kOtherColor = RGB(0x80, 0x80, 0x80);

// COM for the browser's own use; a thread that has it already (in any mode) keeps it as it is.
class TComScope {
public:
  TComScope() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~TComScope() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  TComScope(const TComScope&) = delete;
  TComScope& operator=(const TComScope&) = delete;

private:
  HRESULT result_;
};

// The hourglass while the shell enumerates (which may take long on a real network).
class TWaitCursor {
public:
  TWaitCursor() : old_(SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_WAIT)))) {}
  ~TWaitCursor() { SetCursor(old_); }
  TWaitCursor(const TWaitCursor&) = delete;
  TWaitCursor& operator=(const TWaitCursor&) = delete;

private:
  HCURSOR old_;
};

int ItemCount(LPCITEMIDLIST list) {
  int count = 0;
  for (LPCITEMIDLIST item = list; item && item->mkid.cb != 0; item = PidlNext(item)) ++count;
  return count;
}

std::string TypeNameOf(LPCITEMIDLIST absolute) {
  SHFILEINFOW info{};
  if (!SHGetFileInfoW(reinterpret_cast<LPCWSTR>(absolute), 0, &info, sizeof info, SHGFI_PIDL | SHGFI_TYPENAME))
    return {};
  return Narrow(info.szTypeName);
}

// The in-folder name of a location, as its parent lists it.
std::string LocationNameOf(LPCITEMIDLIST absolute) {
  IShellFolder* parent = nullptr;
  LPCITEMIDLIST last = nullptr;
  if (FAILED(SHBindToParent(absolute, IID_IShellFolder, reinterpret_cast<void**>(&parent), &last))) return {};
  TComRef<IShellFolder> owner(parent);
  return PidlName(parent, last, false);
}

// A failed shell call ends the navigation step it belongs to; the window procedure shows it.
[[noreturn]] void ThrowShellError(HRESULT result) {
  wchar_t* text = nullptr;
  FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr,
                 static_cast<DWORD>(result), 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
  std::string message = text ? Narrow(text) : std::string();
  if (text) LocalFree(text);
  while (!message.empty() && (message.back() == '\r' || message.back() == '\n' || message.back() == ' '))
    message.pop_back();
  if (message.empty()) message = Format("The network location cannot be opened (0x%08lX).", static_cast<unsigned long>(result));
  throw std::runtime_error(message);
}

bool FileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(LongPath(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

TfNetwork::TfNetwork() = default;

TfNetwork::~TfNetwork() { ReleaseShell(); }

void TfNetwork::ReleaseShell() {
  entries_.clear();
  location_.reset();
  folder_.reset();
  desktop_.reset();
}

std::string TfNetwork::ShowModal(HWND owner, const std::string& start) {
  TComScope com;
  result_.clear();
  top_ = true;
  locationName_.clear();
  const std::vector<TToolButton> buttons = {
      {cmUp, glUp, L"Up", nullptr, false},
      {cmRoot, glNetEntry, L"Root", nullptr, false},
  };
  if (!CreateFrame(owner, L"QuillNetworkWindow", L"Network", kClientWidth, kClientHeight, buttons, kRowHeight))
    return {};
  SHFILEINFOW info{};
  systemImages_ = reinterpret_cast<HIMAGELIST>(
      SHGetFileInfoW(L"C:\\", 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
  RECT outer{};
  GetWindowRect(Handle(), &outer);
  const POINT at = CentredOver(owner, outer.right - outer.left, outer.bottom - outer.top);

  IShellFolder* desktop = nullptr;
  if (SUCCEEDED(SHGetDesktopFolder(&desktop))) desktop_.reset(desktop);
  if (desktop_) {
    bool opened = false;
    const std::string server = NetworkStartServer(start);
    if (!server.empty()) {
      TPidl serverList(PathToPidl(server));
      opened = serverList && SUCCEEDED(OpenLocation(std::move(serverList)));
    }
    // A server that cannot be reached leaves the browser at the neighbourhood.
    if (!opened) OpenNeighbourhood();
  }
  ShowEntries();

  const int result = RunFrame(owner, at);
  ReleaseShell();
  return result == mrOk ? result_ : std::string();
}

HRESULT TfNetwork::OpenNeighbourhood() {
  LPITEMIDLIST network = nullptr;
  const HRESULT result = SHGetSpecialFolderLocation(Handle(), CSIDL_NETWORK, &network);
  if (FAILED(result)) return result;
  return OpenLocation(TPidl(network));
}

HRESULT TfNetwork::OpenLocation(TPidl absolute) {
  if (!desktop_ || !absolute) return E_FAIL;
  TComRef<IShellFolder> folder;
  if (absolute->mkid.cb == 0) {
    desktop_->AddRef();
    folder.reset(desktop_.get());
  } else {
    IShellFolder* bound = nullptr;
    const HRESULT result =
        desktop_->BindToObject(absolute.get(), nullptr, IID_IShellFolder, reinterpret_cast<void**>(&bound));
    if (FAILED(result)) return result;
    if (!bound) return E_FAIL;
    folder.reset(bound);
  }
  std::vector<TNetworkEntry> entries = ReadEntries(folder.get(), absolute.get());
  locationName_ = LocationNameOf(absolute.get());
  // Directly below the desktop there is nothing to go up to.
  top_ = ItemCount(absolute.get()) <= 1;
  entries_ = std::move(entries);
  folder_ = std::move(folder);
  location_ = std::move(absolute);
  ShowEntries();
  return S_OK;
}

std::vector<TfNetwork::TNetworkEntry> TfNetwork::ReadEntries(IShellFolder* folder, LPCITEMIDLIST absolute) {
  std::vector<TNetworkEntry> entries;
  TWaitCursor wait;
  IEnumIDList* enumerator = nullptr;
  const HRESULT result =
      folder->EnumObjects(Handle(), SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN, &enumerator);
  // S_FALSE (or no enumerator) is an empty location, not a failure.
  if (result != S_OK || !enumerator) return entries;
  TComRef<IEnumIDList> owner(enumerator);
  LPITEMIDLIST item = nullptr;
  ULONG fetched = 0;
  while (enumerator->Next(1, &item, &fetched) == S_OK && fetched == 1) {
    TPidl relative(item);
    if (!PidlIsFolder(folder, relative.get())) continue;
    TPidl full(PidlConcat(absolute, relative.get()));
    if (!full) continue;
    std::string typeName = TypeNameOf(full.get());
    if (typeName == "System Folder") continue;
    TNetworkEntry entry;
    entry.name = PidlName(folder, relative.get(), false);
    entry.parsingName = PidlName(folder, relative.get(), true);
    entry.typeName = std::move(typeName);
    entry.icon = PidlIcon(full.get(), false, false);
    entry.absolute = std::move(full);
    entry.relative = std::move(relative);
    entries.push_back(std::move(entry));
  }
  // The folder's own order; a stable sort stays safe even if the shell's answers disagree.
  std::stable_sort(entries.begin(), entries.end(), [folder](const TNetworkEntry& a, const TNetworkEntry& b) {
    return static_cast<short>(HRESULT_CODE(folder->CompareIDs(0, a.relative.get(), b.relative.get()))) < 0;
  });
  return entries;
}

void TfNetwork::ShowEntries() {
  if (!List()) return;
  SendMessageW(List(), LB_SETCOUNT, RowCount(), 0);
  EnableCommand(cmUp, !top_);
  SelectRow(RowCount() > 0 ? 0 : -1);
  InvalidateRect(List(), nullptr, TRUE);
}

int TfNetwork::RowCount() const { return static_cast<int>(entries_.size()) + (top_ ? 0 : 1); }

const TfNetwork::TNetworkEntry* TfNetwork::EntryAt(int row) const {
  const int index = row - (top_ ? 0 : 1);
  return index >= 0 && index < static_cast<int>(entries_.size()) ? &entries_[index] : nullptr;
}

std::string TfNetwork::RowText(int row) const {
  if (!top_ && row == 0) return "..";
  const TNetworkEntry* entry = EntryAt(row);
  return entry ? entry->name : std::string();
}

int TfNetwork::Selected() const {
  if (!List()) return -1;
  const auto row = static_cast<int>(SendMessageW(List(), LB_GETCURSEL, 0, 0));
  return row >= 0 && row < RowCount() ? row : -1;
}

void TfNetwork::SelectRow(int row) {
  SendMessageW(List(), LB_SETCURSEL, row, 0);
  if (row >= 0) SendMessageW(List(), LB_SETCARETINDEX, row, FALSE);
  SelectionChanged();
}

void TfNetwork::SelectionChanged() {
  const TNetworkEntry* entry = EntryAt(Selected());
  const bool share = entry && IsShareRoot(entry->parsingName);
  SetStatusText(share ? entry->parsingName : std::string());
}

void TfNetwork::OpenRow(int row) {
  if (row < 0) return;
  if (!top_ && row == 0) {
    UpClick();
    return;
  }
  const TNetworkEntry* entry = EntryAt(row);
  if (!entry || !PidlIsFolder(folder_.get(), entry->relative.get())) return;
  std::string name = entry->parsingName;
  bool shortcut = false;
  // A network place made by the user is a folder holding the link to the real share.
  if (!name.empty()) {
    const std::string link = JoinPath(name, "target.lnk");
    if (FileExists(link)) {
      const std::string target = ShortcutTarget(link, Handle());
      if (!target.empty()) {
        name = target;
        shortcut = true;
      }
    }
  }
  const std::string share = ShareRootOf(name);
  if (!share.empty()) {
    result_ = share;
    Close(mrOk);
    return;
  }
  TPidl next(shortcut ? PathToPidl(name) : PidlCopy(entry->absolute.get()));
  if (!next) ThrowShellError(E_FAIL);
  const HRESULT result = OpenLocation(std::move(next));
  if (FAILED(result)) ThrowShellError(result);
}

void TfNetwork::UpClick() {
  if (top_ || !location_) return;
  const std::string left = locationName_;
  TPidl parent(PidlCopy(location_.get()));
  if (!parent) ThrowShellError(E_OUTOFMEMORY);
  PidlStripLast(parent.get());
  const HRESULT result = OpenLocation(std::move(parent));
  if (FAILED(result)) ThrowShellError(result);
  const ICollator& names = TWin32Collator::Instance();
  for (int row = 0; row < RowCount(); ++row) {
    const TNetworkEntry* entry = EntryAt(row);
    if (entry && names.SameName(entry->name, left)) {
      SelectRow(row);
      break;
    }
  }
}

void TfNetwork::RootClick() {
  const HRESULT result = OpenNeighbourhood();
  if (FAILED(result)) ThrowShellError(result);
}

void TfNetwork::ShowContextMenu(int row, POINT screen) {
  const TNetworkEntry* entry = EntryAt(row);
  if (!entry || !folder_) return;
  LPCITEMIDLIST item = entry->relative.get();
  IContextMenu* menu = nullptr;
  if (FAILED(folder_->GetUIObjectOf(Handle(), 1, &item, IID_IContextMenu, nullptr, reinterpret_cast<void**>(&menu))) ||
      !menu)
    return;
  TComRef<IContextMenu> owner(menu);
  HMENU popup = CreatePopupMenu();
  if (!popup) return;
  constexpr UINT kFirstCommand = 1;
  if (SUCCEEDED(menu->QueryContextMenu(popup, 0, kFirstCommand, 0x7FFF, CMF_NORMAL))) {
    const UINT command = TrackPopupMenu(popup, TPM_RETURNCMD | TPM_RIGHTBUTTON, screen.x, screen.y, 0, Handle(),
                                        nullptr);
    if (command >= kFirstCommand) {
      CMINVOKECOMMANDINFO invoke{};
      invoke.cbSize = sizeof invoke;
      invoke.hwnd = Handle();
      invoke.lpVerb = MAKEINTRESOURCEA(command - kFirstCommand);
      invoke.nShow = SW_SHOWNORMAL;
      menu->InvokeCommand(&invoke);
    }
  }
  DestroyMenu(popup);
}

LRESULT TfNetwork::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DRAWITEM:
      ListBoxDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      return TRUE;
    case WM_COMMAND:
      if (reinterpret_cast<HWND>(lParam) == List() && List()) {
        if (HIWORD(wParam) == LBN_SELCHANGE) SelectionChanged();
        else if (HIWORD(wParam) == LBN_DBLCLK) OpenRow(Selected());
      } else if (reinterpret_cast<HWND>(lParam) == ToolBar() && ToolBar()) {
        if (LOWORD(wParam) == cmUp) UpClick();
        else if (LOWORD(wParam) == cmRoot) RootClick();
        if (List()) SetFocus(List());
      }
      return 0;
    case WM_CONTEXTMENU:
      if (reinterpret_cast<HWND>(wParam) == List() && List()) {
        const int row = Selected();
        POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        if (lParam == -1) {
          // From the keyboard: under the selected row.
          RECT r{};
          SendMessageW(List(), LB_GETITEMRECT, row, reinterpret_cast<LPARAM>(&r));
          at = {r.left + 16, r.bottom};
          ClientToScreen(List(), &at);
        }
        ShowContextMenu(row, at);
      }
      return 0;
    default:
      return TToolFrame::HandleMessage(message, wParam, lParam);
  }
}

LRESULT TfNetwork::ListMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_KEYDOWN:
      switch (wParam) {
        case VK_RETURN: OpenRow(Selected()); return 0;
        case VK_BACK: UpClick(); return 0;
        case VK_ESCAPE: Close(mrCancel); return 0;
        default: break;
      }
      break;
    case WM_CHAR:
      if (wParam == L'\\') RootClick();
      return 0;
    case WM_RBUTTONDOWN: {
      // The right button picks the row first, so the menu belongs to what is under the mouse.
      const LRESULT hit = SendMessageW(hwnd, LB_ITEMFROMPOINT, 0, lParam);
      if (HIWORD(hit) == 0 && static_cast<int>(LOWORD(hit)) < RowCount()) SelectRow(LOWORD(hit));
      break;
    }
    default:
      break;
  }
  return TToolFrame::ListMessage(hwnd, message, wParam, lParam);
}

void TfNetwork::ListBoxDrawItem(const DRAWITEMSTRUCT& draw) {
  if (draw.hwndItem != List()) return;
  const int row = static_cast<int>(draw.itemID);
  if (row < 0 || row >= RowCount()) return;
  HDC dc = draw.hDC;
  const RECT& r = draw.rcItem;
  const bool selected = (draw.itemState & ODS_SELECTED) != 0;
  FillRect(dc, &r, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  const int imageY = r.top + (r.bottom - r.top - kGlyphSize) / 2;
  const TNetworkEntry* entry = EntryAt(row);
  COLORREF color = kShareColor;
  if (!entry) {
    DrawGlyph(dc, glUp, r.left + 2, imageY);
  } else {
    if (systemImages_ && entry->icon >= 0) ImageList_Draw(systemImages_, entry->icon, dc, r.left + 2, imageY, ILD_TRANSPARENT);
    if (!IsShareRoot(entry->parsingName)) color = kOtherColor;
  }
  if (selected) color = color == kShareColor ? GetSysColor(COLOR_HIGHLIGHTTEXT) : RGB(0xD0, 0xD0, 0xD0);
  TSelectObject font(dc, GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, color);
  RECT text{r.left + 2 + kGlyphSize + 4, r.top, r.right - 2, r.bottom};
  const std::wstring wide = Widen(RowText(row));
  DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &text,
            DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
  if (draw.itemState & ODS_FOCUS) DrawFocusRect(dc, &r);
}

std::string BrowseNetwork(HWND owner, const std::string& start) {
  TfNetwork window;
  return window.ShowModal(owner, start);
}

}  // namespace quill

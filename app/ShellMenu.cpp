#include "app/ShellMenu.h"

#include "fileview/ShellUtils.h"

namespace quill {

namespace {

// The last item of an absolute list: the item relative to its parent folder.
LPCITEMIDLIST LastItem(LPCITEMIDLIST list) {
  LPCITEMIDLIST last = list;
  for (LPCITEMIDLIST next = PidlNext(list); next && next->mkid.cb != 0; next = PidlNext(next)) last = next;
  return last;
}

// Lists made by the shell's allocator, freed together.
class TPidls {
public:
  TPidls() = default;
  ~TPidls() {
    for (LPITEMIDLIST list : lists_) CoTaskMemFree(list);
  }
  TPidls(const TPidls&) = delete;
  TPidls& operator=(const TPidls&) = delete;
  void Add(LPITEMIDLIST list) { lists_.push_back(list); }
  const std::vector<LPITEMIDLIST>& Lists() const { return lists_; }

private:
  std::vector<LPITEMIDLIST> lists_;
};

}  // namespace

// The main thread has OLE up already (S_FALSE, balanced all the same); a thread without it
// gets an apartment for the menu's life.
TShellMenu::TShellMenu() : com_(CoInitialize(nullptr)) {}

TShellMenu::~TShellMenu() {
  ReleaseHandlers();
  if (menu_) menu_->Release();
  if (SUCCEEDED(com_)) CoUninitialize();
}

void TShellMenu::ReleaseHandlers() {
  if (menu3_) menu3_->Release();
  if (menu2_) menu2_->Release();
  menu3_ = nullptr;
  menu2_ = nullptr;
}

bool TShellMenu::Load(HWND owner, const std::vector<std::string>& paths) {
  if (menu_) menu_->Release();
  menu_ = nullptr;
  if (paths.empty() || (FAILED(com_) && com_ != RPC_E_CHANGED_MODE)) return false;
  TPidls absolute;
  for (const std::string& path : paths) {
    LPITEMIDLIST list = PathToPidl(path);
    if (!list) return false;
    absolute.Add(list);
  }
  IShellFolder* parent = nullptr;
  if (FAILED(SHBindToParent(absolute.Lists().front(), IID_IShellFolder, reinterpret_cast<void**>(&parent), nullptr)))
    return false;
  std::vector<LPCITEMIDLIST> children;
  for (LPITEMIDLIST list : absolute.Lists()) children.push_back(LastItem(list));
  const HRESULT made = parent->GetUIObjectOf(owner, static_cast<UINT>(children.size()), children.data(),
                                             IID_IContextMenu, nullptr, reinterpret_cast<void**>(&menu_));
  parent->Release();
  if (FAILED(made)) menu_ = nullptr;
  return menu_ != nullptr;
}

bool TShellMenu::Track(HWND owner, POINT screen) {
  if (!menu_) return false;
  HMENU popup = CreatePopupMenu();
  if (!popup) return false;
  if (FAILED(menu_->QueryContextMenu(popup, 0, kFirstCommand, kLastCommand, CMF_EXPLORE))) {
    DestroyMenu(popup);
    return false;
  }
  // Held only while the menu is open, for the messages its owner hands on.
  if (FAILED(menu_->QueryInterface(IID_IContextMenu3, reinterpret_cast<void**>(&menu3_)))) menu3_ = nullptr;
  if (!menu3_ && FAILED(menu_->QueryInterface(IID_IContextMenu2, reinterpret_cast<void**>(&menu2_)))) menu2_ = nullptr;
  const UINT chosen = static_cast<UINT>(
      TrackPopupMenu(popup, TPM_RETURNCMD | TPM_RIGHTBUTTON, screen.x, screen.y, 0, owner, nullptr));
  ReleaseHandlers();
  bool done = false;
  if (chosen >= kFirstCommand && chosen <= kLastCommand)
    done = Invoke(owner, MAKEINTRESOURCEA(chosen - kFirstCommand), screen, true);
  DestroyMenu(popup);
  return done;
}

bool TShellMenu::InvokeVerb(HWND owner, const char* verb) {
  if (!menu_) return false;
  // Some handlers know their verbs only once they have filled a menu.
  HMENU popup = CreatePopupMenu();
  if (!popup) return false;
  menu_->QueryContextMenu(popup, 0, kFirstCommand, kLastCommand, CMF_NORMAL);
  const bool done = Invoke(owner, verb, POINT{}, false);
  DestroyMenu(popup);
  return done;
}

bool TShellMenu::Invoke(HWND owner, const char* verb, POINT at, bool withPoint) {
  CMINVOKECOMMANDINFOEX info{};
  info.cbSize = sizeof info;
  info.fMask = withPoint ? CMIC_MASK_PTINVOKE : 0;
  info.hwnd = owner;
  info.lpVerb = verb;
  info.nShow = SW_SHOWNORMAL;
  info.ptInvoke = at;
  return SUCCEEDED(menu_->InvokeCommand(reinterpret_cast<CMINVOKECOMMANDINFO*>(&info)));
}

bool TShellMenu::HandleMenuMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  result = 0;
  const bool drawing = message == WM_DRAWITEM || message == WM_MEASUREITEM;
  if (menu3_) {
    LRESULT answer = 0;
    if (FAILED(menu3_->HandleMenuMsg2(message, wParam, lParam, &answer))) return false;
    result = drawing ? TRUE : answer;
    return true;
  }
  if (menu2_ && message != WM_MENUCHAR) {
    if (FAILED(menu2_->HandleMenuMsg(message, wParam, lParam))) return false;
    result = drawing ? TRUE : 0;
    return true;
  }
  return false;
}

}  // namespace quill

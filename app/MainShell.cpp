// The main window's commands that hand over to the shell: properties, the shell's context menu,
// shortcuts, Create New, Open With, the System menu's places (Control Panel, the recycle bin, the
// temporary folder, Format), Disk Copy, the network drive dialogs and the Help links.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#include <winnetwk.h>

#include <algorithm>
#include <cctype>

#include "app/MainForm.h"
#include "app/ShellMenu.h"
#include "app/ShellPlaces.h"
#include "app/TempFolder.h"
#include "base/Path.h"
#include "base/Text.h"
#include "fileview/ShellUtils.h"
#include "messages/Messages.h"
#include "messages/ShellFolders.h"
#include "operations/FileOperations.h"
#include "platform/StringTable.h"
#include "platform/Utf16.h"
#include "platform/Win32FileSystem.h"

namespace quill {

namespace {
constexpr int kTextCreateNew = 513;
constexpr int kTextCreateNewPrompt = 514;
constexpr int kTextFormatWarning = 522;
constexpr int kTextFormatCaption = 523;
constexpr int kTextEmptyTemp = 599;

// A file another program holds without letting it be deleted. Asking for delete access is the
// question the removal itself would ask, without removing anything; read access is asked too,
// as Wine lets a delete-only open past a holder that shares nothing, and then unlinks the file.
bool FileInUse(const std::string& path) {
  HANDLE file = CreateFileW(VerbatimPath(path).c_str(), GENERIC_READ | DELETE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                            FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    CloseHandle(file);
    return false;
  }
  const DWORD error = GetLastError();
  return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

bool Within(const std::string& path, const std::string& folder) {
  const std::string inner = StripBackslash(path), outer = StripBackslash(folder);
  if (inner.size() < outer.size() || !SameTextAscii(std::string_view(inner).substr(0, outer.size()), outer))
    return false;
  return inner.size() == outer.size() || inner[outer.size()] == '\\';
}
}  // namespace

std::string TMainForm::EntryPath(const TFile& file) const {
  if (file.IsDrive()) return StartsWith(file.Name(), "/") ? std::string() : DriveRoot(file.Name());
  return JoinPath(view_.Folder(), file.FullName());
}

void TMainForm::RescanKeepingFocus() {
  const TFile* focused = view_.FocusedFile();
  view_.Refresh(focused ? focused->FullName() : std::string(), true);
  UpdateDiskInfo();
}

bool TMainForm::ShellItemsAvailable() {
  // Inside an archive only the drive entries are things the shell knows.
  if (!InArchive()) return true;
  const TFile* focused = view_.FocusedFile();
  return view_.SelCount() == 0 && focused && focused->IsDrive();
}

std::vector<std::string> TMainForm::ShellItemPaths() {
  std::vector<std::string> paths;
  if (!ShellItemsAvailable()) return paths;
  const TFile* focused = view_.FocusedFile();
  if (view_.SelCount() == 0 && focused && focused->IsDrive()) {
    if (std::string root = EntryPath(*focused); !root.empty()) paths.push_back(root);
    return paths;
  }
  for (const int i : CollectedEntries())
    if (std::string path = EntryPath(*view_.Files().Items(i)); !path.empty()) paths.push_back(path);
  return paths;
}

// ---- properties and the shell's menu ----

void TMainForm::PropertiesCommand() {
  const std::vector<std::string> paths = ShellItemPaths();
  if (paths.empty()) return;
  if (paths.size() == 1 && IsRootFolder(paths.front())) {
    ShowProperties(paths.front());
    return;
  }
  // Several names get one sheet through the shell's menu of all of them.
  TShellMenu menu;
  if (menu.Load(Handle(), paths) && menu.InvokeVerb(Handle(), "properties")) return;
  if (paths.size() == 1) ShowProperties(paths.front());
}

void TMainForm::ExplorerMenuCommand() {
  const std::vector<std::string> paths = ShellItemPaths();
  if (paths.empty()) return;
  POINT at{};
  if (contextPoint_) {
    at = *contextPoint_;
  } else {
    // From a key or a command of its own: where the Application key would put it.
    const int focus = std::max(view_.ItemIndex(), 0);
    const RECT r = pane_.ItemRect(focus);
    at = {r.left + 10, r.top + 10};
    ClientToScreen(pane_.Handle(), &at);
  }
  TShellMenu menu;
  if (!menu.Load(Handle(), paths)) return;
  struct TOpenMenu {
    TShellMenu*& held;
    ~TOpenMenu() { held = nullptr; }
  } open{shellMenu_};
  shellMenu_ = &menu;
  const bool done = menu.Track(Handle(), at);
  shellMenu_ = nullptr;
  // The command may have renamed, deleted or pasted entries here.
  if (done && !InArchive()) RescanKeepingFocus();
}

bool TMainForm::ShellMenuMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (message) {
    case WM_INITMENUPOPUP:
    case WM_MENUCHAR: break;
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
      if (wParam != 0) return false;  // a control's own item
      break;
    default: return false;
  }
  if (shellMenu_->HandleMenuMessage(message, wParam, lParam, result)) return true;
  // The shell's items carry the shell's identifiers, which may equal the program's own: the
  // program's enabling rules and mnemonics must not act on them.
  if (message == WM_INITMENUPOPUP || message == WM_MENUCHAR) {
    result = 0;
    return true;
  }
  return false;
}

// ---- creating things ----

void TMainForm::CreateNewCommand() {
  if (view_.OwnerData()) return;
  std::string name;
  if (Questions().AskText(LoadText(kTextCreateNew), LoadText(kTextCreateNewPrompt), name, true, 0) != mrOk) return;
  if (Trim(name).empty()) return;
  const bool absolute = name.find(':') != std::string::npos || StartsWith(name, "\\");
  const std::string path = absolute ? name : JoinPath(view_.Folder(), name);
  notify_.SetActive(false);
  // Only a new name: an existing file of that name is never emptied.
  HANDLE file = CreateFileW(LongPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_ARCHIVE, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    CloseHandle(file);
    view_.Refresh(FileNamePart(path), true);
    UpdateDiskInfo();
  }
  notify_.SetActive(autoRefresh_);
}

void TMainForm::CreateShortcutCommand() {
  if (view_.OwnerData()) return;
  const std::vector<int> items = CollectedEntries();
  if (items.empty()) return;
  notify_.SetActive(false);
  for (const int i : items)
    if (const std::string target = EntryPath(*view_.Files().Items(i)); !target.empty())
      CreateShortcut(target, view_.Folder());
  RescanKeepingFocus();
  notify_.SetActive(autoRefresh_);
}

void TMainForm::ShortcutToDesktopCommand() {
  const TFile* focused = view_.FocusedFile();
  if (!focused || focused->IsParent() || (InArchive() && !focused->IsDrive())) return;
  const std::string desktop = ShellFolder("Desktop");
  const std::string target = EntryPath(*focused);
  if (desktop.empty() || target.empty()) return;
  CreateShortcut(target, desktop);
}

void TMainForm::OpenWithCommand() {
  const TFile* focused = view_.FocusedFile();
  if (InArchive() || !focused || !focused->IsFile()) return;
  ShellOpen("rundll32.exe", "shell32.dll,OpenAs_RunDLL " + EntryPath(*focused), std::string(), false);
}

// ---- the System menu's places ----

void TMainForm::RecycleBinCommand() {
  LPITEMIDLIST bin = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(Handle(), CSIDL_BITBUCKET, &bin)) || !bin) return;
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_IDLIST | SEE_MASK_FLAG_NO_UI;
  info.hwnd = Handle();
  info.lpVerb = L"open";
  info.lpIDList = bin;
  info.nShow = SW_SHOWNORMAL;
  ShellExecuteExW(&info);
  CoTaskMemFree(bin);
}

void TMainForm::EmptyRecycleBinCommand() {
  // The shell's documented call, which asks its own confirmation, on every drive's bin.
  SHEmptyRecycleBinW(Handle(), nullptr, 0);
  UpdateDiskInfo();
}

void TMainForm::EmptyTempFolderCommand() {
  const std::string temp = TempFolder();
  // A temporary folder that is a whole drive (TMP pointing at "C:\") is not emptied.
  if (temp.empty() || IsRootFolder(temp)) return;
  const int focusedButton = static_cast<int>(std::clamp<int64_t>(ini_.ReadInteger("Option", "DelBtn", 2), 0, 2));
  const int answer = Questions().AskDelete(LoadText(kTextEmptyTemp), focusedButton, false);
  if (answer != mrYes && answer != mrAll) return;
  const TTempPlan plan = PlanTempFolderDeletion(TWin32FileSystem::Instance(), StripBackslash(temp), FileInUse);
  if (!plan.deletions.empty()) {
    TFileDelete engine(Handle(), Questions(), DeleteProgress());
    engine.SetUseRecycleBin(answer == mrYes);
    for (const std::string& path : plan.deletions) engine.AddSource(path);
    notify_.SetActive(false);
    engine.Execute();
    if (!view_.OwnerData() && Within(view_.Folder(), temp)) RescanKeepingFocus();
    notify_.SetActive(autoRefresh_);
    PlayCompletionSound();
  }
  UpdateDiskInfo();
}

void TMainForm::FormatCommand() {
  std::string value = view_.Drive();
  if (Questions().ChooseDrive(value, {}, TDialogPlace{}, FormatHiddenDrives(TWin32FileSystem::Instance())) != mrOk)
    return;
  if (value.empty() || !std::isalpha(static_cast<unsigned char>(value.front()))) return;
  if (Questions().Message(LoadText(kTextFormatWarning), LoadText(kTextFormatCaption), mbYesNo, miWarning) != mrYes)
    return;
  FormatDrive(Handle(), value.front(), false);
  UpdateDiskInfo();
}

void TMainForm::DiskCopyCommand() {
  if (Questions().Message("Insert source disk you want to copy and click OK button.", "Disk Copy", mbOk,
                          miInformation) != mrOk)
    return;
  ShellOpen("rundll32.exe", "diskcopy.dll,DiskCopyRunDll", std::string(), false);
}

void TMainForm::NetworkDriveCommand(bool connect) {
  const DWORD result = connect ? WNetConnectionDialog(Handle(), RESOURCETYPE_DISK)
                               : WNetDisconnectDialog(Handle(), RESOURCETYPE_DISK);
  if (result == NO_ERROR) RescanKeepingFocus();
}

void TMainForm::HelpLinkCommand(bool mail) {
  const std::string link = mail ? MailLink(ini_.ReadString(kHelpSection, kMailKey, kDefaultMail))
                                : Trim(ini_.ReadString(kHelpSection, kHomepageKey, kDefaultHomepage));
  if (!link.empty()) ShellOpen(link, std::string(), std::string(), false);
}

}  // namespace quill

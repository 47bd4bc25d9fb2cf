#include "app/Win32Questions.h"

#include <shlobj.h>

#include "base/Path.h"
#include "base/Text.h"
#include "drivewin/DriveWindow.h"
#include "drivewin/NetworkWindow.h"
#include "messages/GetString.h"
#include "messages/MessageBox.h"
#include "operations/DelWarningDialog.h"
#include "operations/FileExistsDialog.h"
#include "platform/Utf16.h"
#include "ui/ModalLoop.h"

namespace quill {

bool TWin32Questions::ShowError(uint32_t code, const std::string& caption, bool stopOnly) {
  return quill::ShowError(Owner(), code, caption, stopOnly);
}

int TWin32Questions::Message(const std::string& text, const std::string& caption, TMessageButtons buttons,
                             TMessageIcon icon) {
  return MessageText(Owner(), text, caption, buttons, icon);
}

int TWin32Questions::AskText(const std::string& caption, const std::string& prompt, std::string& text, bool selectAll,
                             int charCase) {
  return quill::AskText(Owner(), caption, prompt, text, selectAll, charCase);
}

int TWin32Questions::AskMaskedText(const std::string& caption, const std::string& prompt, std::string& text,
                                   char passwordChar) {
  text.clear();
  return quill::AskText(Owner(), caption, prompt, text, false, 0, static_cast<unsigned char>(passwordChar));
}

int TWin32Questions::ChooseDrive(std::string& value, const std::array<std::string, 3>& workFolders,
                                 const TDialogPlace& place, const std::string& hidden) {
  return quill::ChooseDrive(Owner(), value, workFolders, place, hidden);
}

std::string TWin32Questions::BrowseNetwork(const std::string& start) { return quill::BrowseNetwork(Owner(), start); }

uint32_t TWin32Questions::AskFileExists(const std::string& source, std::string& destination, bool archiveEntry,
                                       bool writtenByThisRun) {
  return quill::AskFileExists(Owner(), source, destination, archiveEntry, writtenByThisRun);
}

int TWin32Questions::AskDelete(const std::string& text, int focusedButton, bool withAll) {
  return quill::AskDelete(Owner(), text, focusedButton, withAll);
}

namespace {
int CALLBACK SelectStart(HWND hwnd, UINT message, LPARAM, LPARAM data) {
  if (message == BFFM_INITIALIZED && data) SendMessageW(hwnd, BFFM_SETSELECTIONW, TRUE, data);
  return 0;
}
}  // namespace

// The system's folder picker stands in for the folder tree window: it starts at the folder
// given, else the one the pane last showed on that drive, else the drive's root.
std::string TWin32Questions::ChooseFolder(const std::string& drive, const std::string& startFolder,
                                          const std::vector<std::string>& driveMemory, const std::string& caption) {
  std::string start = startFolder;
  const std::string root = DriveRoot(drive);
  if (start.empty()) {
    const std::string prefix = root + "=";
    for (const std::string& line : driveMemory)
      if (line.size() > prefix.size() && SameTextAscii(line.substr(0, prefix.size()), prefix))
        start = line.substr(prefix.size());
  }
  if (start.empty()) start = root;
  const std::wstring title = Widen(caption);
  const std::wstring wideStart = Widen(start);
  BROWSEINFOW info{};
  info.hwndOwner = Owner();
  info.lpszTitle = title.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
  info.lpfn = SelectStart;
  info.lParam = reinterpret_cast<LPARAM>(wideStart.c_str());
  TFocusKeeper focus;
  LPITEMIDLIST chosen = SHBrowseForFolderW(&info);
  focus.Restore();
  if (!chosen) return {};
  std::wstring path(MAX_PATH * 4, L'\0');
  const bool ok = SHGetPathFromIDListEx(chosen, path.data(), static_cast<DWORD>(path.size()), GPFIDL_DEFAULT);
  CoTaskMemFree(chosen);
  if (!ok) return {};
  path.resize(wcslen(path.c_str()));
  return Narrow(path);
}

}  // namespace quill

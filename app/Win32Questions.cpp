#include "app/Win32Questions.h"

#include <commdlg.h>

#include <vector>

#include "base/Path.h"
#include "base/Text.h"
#include "drivewin/DriveWindow.h"
#include "drivewin/NetworkWindow.h"
#include "fileview/ShellUtils.h"
#include "messages/GetString.h"
#include "messages/MessageBox.h"
#include "operations/DelWarningDialog.h"
#include "operations/FileExistsDialog.h"
#include "platform/Utf16.h"
#include "tree/TreeWindow.h"
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

std::string TWin32Questions::ChooseFolder(const std::string& drive, const std::string& startFolder,
                                          const std::vector<std::string>& driveMemory, const std::string& caption) {
  const std::string folder = programFolder_.empty() ? ModuleFolder() : programFolder_;
  return BrowseFolderTree(Owner(), *this, folder, drive, &driveMemory, caption, startFolder);
}

bool TWin32Questions::ChooseSaveFile(std::string& path) {
  std::vector<wchar_t> file(32768, L'\0');
  const std::wstring name = Widen(FileNamePart(path));
  const std::wstring folder = Widen(FileDirPart(path));
  name.copy(file.data(), std::min(name.size(), file.size() - 1));
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = Owner();
  dialog.lpstrFile = file.data();
  dialog.nMaxFile = static_cast<DWORD>(file.size());
  dialog.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
  dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_EXPLORER;
  TFocusKeeper keeper;
  if (!GetSaveFileNameW(&dialog)) return false;
  path = Narrow(file.data());
  return true;
}

}  // namespace quill

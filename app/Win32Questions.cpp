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

namespace {

// "Name(*.ext)|*.ext|..." as the dialog wants it: NUL-separated, ending in two NULs.
std::wstring DialogFilter(const std::string& filter) {
  if (filter.empty()) return {};
  std::wstring w = Widen(filter);
  for (wchar_t& c : w)
    if (c == L'|') c = L'\0';
  w.push_back(L'\0');
  w.push_back(L'\0');
  return w;
}

bool RunFileDialog(HWND owner, std::string& path, const std::string& filter, const std::string& defaultExt,
                   bool save) {
  std::vector<wchar_t> file(32768, L'\0');
  const std::wstring name = Widen(FileNamePart(path));
  const std::wstring folder = Widen(FileDirPart(path));
  name.copy(file.data(), std::min(name.size(), file.size() - 1));
  const std::wstring filters = DialogFilter(filter);
  const std::wstring ext = Widen(defaultExt);
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFile = file.data();
  dialog.nMaxFile = static_cast<DWORD>(file.size());
  dialog.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
  dialog.lpstrFilter = filters.empty() ? nullptr : filters.c_str();
  dialog.nFilterIndex = filters.empty() ? 0 : 1;
  dialog.lpstrDefExt = ext.empty() ? nullptr : ext.c_str();
  dialog.Flags = OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_EXPLORER |
                 (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
  TFocusKeeper keeper;
  if (!(save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog))) return false;
  path = Narrow(file.data());
  return true;
}

}  // namespace

bool TWin32Questions::ChooseSaveFile(std::string& path, const std::string& filter, const std::string& defaultExt) {
  return RunFileDialog(Owner(), path, filter, defaultExt, true);
}

bool TWin32Questions::ChooseOpenFile(std::string& path, const std::string& filter, const std::string& defaultExt) {
  return RunFileDialog(Owner(), path, filter, defaultExt, false);
}

bool TWin32Questions::PickColor(uint32_t& color) {
  // The dialog's sixteen custom colours last as long as the program, as users expect.
  static COLORREF custom[16] = {};
  CHOOSECOLORW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = Owner();
  dialog.rgbResult = color & 0xFFFFFF;
  dialog.lpCustColors = custom;
  dialog.Flags = CC_RGBINIT | CC_FULLOPEN | CC_ANYCOLOR;
  TFocusKeeper keeper;
  if (!ChooseColorW(&dialog)) return false;
  color = dialog.rgbResult & 0xFFFFFF;
  return true;
}

bool TWin32Questions::PickFont(TFontChoice& font, int minPoints, int maxPoints) {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  LOGFONTW logFont{};
  logFont.lfHeight = -MulDiv(font.points, dpi, 72);
  logFont.lfWeight = font.bold ? FW_BOLD : FW_NORMAL;
  logFont.lfCharSet = ANSI_CHARSET;
  const std::wstring face = Widen(font.name);
  face.copy(logFont.lfFaceName, std::min<size_t>(face.size(), LF_FACESIZE - 1));
  CHOOSEFONTW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = Owner();
  dialog.lpLogFont = &logFont;
  dialog.Flags = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT | CF_LIMITSIZE | CF_SCRIPTSONLY | CF_FORCEFONTEXIST;
  dialog.nSizeMin = minPoints;
  dialog.nSizeMax = maxPoints;
  TFocusKeeper keeper;
  if (!ChooseFontW(&dialog)) return false;
  font.name = Narrow(logFont.lfFaceName);
  font.points = dialog.iPointSize / 10;
  font.bold = logFont.lfWeight >= FW_BOLD;
  return true;
}

}  // namespace quill

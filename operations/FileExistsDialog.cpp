#include "operations/FileExistsDialog.h"

#include <shellapi.h>

#include <algorithm>
#include <optional>

#include "base/Path.h"
#include "fileview/ShellUtils.h"
#include "messages/GetString.h"
#include "messages/MessageBox.h"
#include "messages/Messages.h"
#include "operations/OperationTexts.h"
#include "operations/Progress.h"
#include "platform/StringTable.h"
#include "platform/Utf16.h"
#include "ui/Window.h"

namespace quill {
namespace {

// The question line: 329 x 26 at 56,10, its text centred vertically in that box. A long name may
// take a third line, which then reaches up and down a little.
constexpr int kQuestionLeft = 56, kQuestionTop = 10, kQuestionWidth = 329, kQuestionHeight = 26;
constexpr int kQuestionMaxHeight = 44;

std::string SystemText(const SYSTEMTIME& time, bool date) {
  wchar_t text[128] = {};
  const int length =
      date ? GetDateFormatW(LOCALE_SYSTEM_DEFAULT, LOCALE_NOUSEROVERRIDE | DATE_LONGDATE, &time, nullptr, text, 128)
           : GetTimeFormatW(LOCALE_SYSTEM_DEFAULT, LOCALE_NOUSEROVERRIDE, &time, nullptr, text, 128);
  return length > 0 ? Narrow(text) : std::string();
}

// "1,234 bytes ( date, time )" of what is on disk at `path`: its whole 64-bit size and its
// last-write time in local time.
std::optional<std::string> DiskInfoLine(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(Widen(path).c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
  const uint64_t size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  const uint64_t written =
      (static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
  SYSTEMTIME local{};
  if (const std::optional<TCalendarTime> calendar = FileTimeToCalendar(written)) {
    local.wYear = static_cast<WORD>(calendar->year);
    local.wMonth = static_cast<WORD>(calendar->month);
    local.wDay = static_cast<WORD>(calendar->day);
    local.wHour = static_cast<WORD>(calendar->hour);
    local.wMinute = static_cast<WORD>(calendar->minute);
    local.wSecond = static_cast<WORD>(calendar->second);
  }
  return InfoLine(size, SystemText(local, true), SystemText(local, false));
}

bool ExistsOnDisk(const std::string& path) {
  return GetFileAttributesW(Widen(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

TfFileExists::TfFileExists(HWND owner) : TOperationDialog(owner, kClientWidth, kClientHeight) {
  Create("Confirm Replace file");
}

TfFileExists::~TfFileExists() {
  if (originIcon_) DestroyIcon(originIcon_);
  if (newIcon_) DestroyIcon(newIcon_);
}

void TfFileExists::CreateControls() {
  HWND question = AddLabel("", SS_ICON, kQuestionIconId, 8, 8, 32, 32);
  SendMessageW(question, STM_SETICON, reinterpret_cast<WPARAM>(LoadIconW(nullptr, IDI_QUESTION)), 0);
  AddLabel("", SS_LEFT | SS_EDITCONTROL, kFileNameId, kQuestionLeft, kQuestionTop, kQuestionWidth, kQuestionHeight);
  AddLabel("", SS_ICON | SS_CENTERIMAGE, kOriginIconId, 32, 55, 16, 16);
  AddLabel("Origin :", SS_RIGHT, kOriginCaptionId, 50, 57, 42, 13);
  // Two lines when needed: a long size with a long date is not cut off.
  AddLabel("", SS_LEFT | SS_EDITCONTROL, kOriginId, 94, 57, 297, 26);
  AddLabel("", SS_ICON | SS_CENTERIMAGE, kNewIconId, 32, 88, 16, 16);
  AddLabel("New :", SS_RIGHT, kNewCaptionId, 50, 89, 42, 13);
  AddLabel("", SS_LEFT | SS_EDITCONTROL, kNewId, 94, 89, 297, 26);
  HWND warning = AddLabel("", SS_LEFT, kFolderOverId, 32, 49, 349, 65);
  ShowWindow(warning, SW_HIDE);
  AddControl(L"BUTTON", " &All", WS_TABSTOP | BS_AUTOCHECKBOX, kAllId, 56, 134, 50, 17);
  int x = 112;
  for (const auto& [id, caption] : {std::pair{kOverwriteId, "Over&write"}, std::pair{kSkipId, "&Skip"},
                                     std::pair{kRenameId, "&Rename"}, std::pair{kCancelId, "&Cancel"}}) {
    AddButton(caption, id, x, 130, 65, 22);
    x += 65 + 6;
  }
}

void TfFileExists::SetQuestion(const std::string& text) {
  SetText(kFileNameId, text);
  HWND label = Item(kFileNameId);
  if (!label) return;
  const std::wstring wide = Widen(text);
  HDC dc = GetDC(label);
  RECT measured{0, 0, kQuestionWidth, 0};
  {
    TSelectObject font(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(label, WM_GETFONT, 0, 0)));
    DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &measured,
              DT_CALCRECT | DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX);
  }
  ReleaseDC(label, dc);
  const int height = std::clamp(static_cast<int>(measured.bottom), 1, kQuestionMaxHeight);
  const int top = std::max(4, kQuestionTop + (kQuestionHeight - height) / 2);
  MoveWindow(label, kQuestionLeft, top, kQuestionWidth, height, TRUE);
}

void TfFileExists::SetIcon(int id, HICON& slot, const std::string& path, bool onDisk) {
  SHFILEINFOW info{};
  const UINT flags = SHGFI_ICON | SHGFI_SMALLICON | (onDisk ? 0 : SHGFI_USEFILEATTRIBUTES);
  if (!SHGetFileInfoW(Widen(path).c_str(), FILE_ATTRIBUTE_NORMAL, &info, sizeof info, flags) || !info.hIcon) return;
  if (slot) DestroyIcon(slot);
  slot = info.hIcon;
  SendMessageW(Item(id), STM_SETICON, reinterpret_cast<WPARAM>(slot), 0);
}

void TfFileExists::Prepare(const std::string& source, const std::string& destination, bool archiveEntry,
                           bool writtenByThisRun) {
  const TTextLoader table = [](int id) { return LoadText(static_cast<unsigned>(id)); };
  targetPath_ = destination;
  if (archiveEntry) {
    // The readers hand over only the entry's path, so the line names the entry instead of
    // describing it.
    newPath_ = source;
    SetText(kNewId, source);
    SetIcon(kNewIconId, newIcon_, source, false);
    SetQuestion(FillText(table(kTextFileExists), {FileNamePart(source)}));
    EnableWindow(Item(kRenameId), FALSE);
  } else if (IsFolder(source)) {
    // A folder meeting a folder is a merge, and the warning says what that means; a folder
    // meeting a file would replace it, so the file's own line is shown instead.
    const bool merge = !ExistsOnDisk(destination) || IsFolder(destination);
    for (int id : {kNewIconId, kNewCaptionId, kNewId}) ShowWindow(Item(id), SW_HIDE);
    if (merge) {
      SetText(kFolderOverId, table(kTextFolderMerge));
      for (int id : {kOriginIconId, kOriginCaptionId, kOriginId}) ShowWindow(Item(id), SW_HIDE);
      ShowWindow(Item(kFolderOverId), SW_SHOW);
    }
    SetQuestion(FillText(table(kTextFolderExists), {LastComponent(source)}));
  } else if (const std::optional<std::string> line = DiskInfoLine(source)) {
    newPath_ = source;
    SetText(kNewId, *line);
    SetIcon(kNewIconId, newIcon_, source, true);
    SetQuestion(FillText(table(kTextFileExists), {FileNamePart(source)}));
  }
  if (ExistsOnDisk(destination) && !IsFolder(destination)) {
    SetQuestion(FillText(table(kTextFileExists), {FileNamePart(destination)}));
    if (const std::optional<std::string> line = DiskInfoLine(destination)) SetText(kOriginId, *line);
    SetIcon(kOriginIconId, originIcon_, destination, true);
  }
  if (writtenByThisRun) {
    // The target is what this operation has just written from another item: never replaced.
    SetQuestion(FillText(table(kTextWrittenByThisRun), {FileNamePart(destination)}));
    EnableWindow(Item(kOverwriteId), FALSE);
    ShowWindow(Item(kAllId), SW_HIDE);
  }
}

int TfFileExists::Run() {
  FocusLater(IsWindowEnabled(Item(kOverwriteId)) ? kOverwriteId : kSkipId);
  return ShowModal();
}

bool TfFileExists::AllChecked() const { return SendMessageW(Item(kAllId), BM_GETCHECK, 0, 0) == BST_CHECKED; }

void TfFileExists::Command(int id, int notification) {
  if (notification != BN_CLICKED) return;
  switch (id) {
    case kOverwriteId:
    case kSkipId:
    case kCancelId: SetModalResult(id); break;
    case kRenameId: RenameClick(); break;
  }
}

void TfFileExists::RenameClick() {
  if (!IsWindowEnabled(Item(kRenameId))) return;
  std::string name = FileNamePart(targetPath_);
  for (;;) {
    // Cancelling the prompt leaves the question open.
    if (AskText(Handle(), LoadText(kTextRenameCaption), LoadText(kTextRenamePrompt), name, true, 0) != mrOk) return;
    if (IsAcceptedNewName(name)) break;
    MessageText(Handle(), LoadText(kTextInvalidName), LoadText(kTextErrorCaption), mbOk, miStop);
  }
  targetPath_ = RenamedPath(targetPath_, name);
  SetModalResult(kRenameId);
}

uint32_t AskFileExists(HWND owner, const std::string& source, std::string& destination, bool archiveEntry,
                       bool writtenByThisRun) {
  TfFileExists dialog(owner);
  if (!dialog.Handle()) return feCancel;
  dialog.Prepare(source, destination, archiveEntry, writtenByThisRun);
  dialog.CentreOnOwner();
  const int result = dialog.Run();
  const uint32_t flags = FileExistsAnswer(result, dialog.AllChecked() && !writtenByThisRun);
  if (flags & feRenamed) destination = dialog.TargetPath();
  return flags;
}

}  // namespace quill

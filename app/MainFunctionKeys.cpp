// The main window's function keys, their status bar with the Alt and Ctrl legends, the command
// box, and the keys of the pane.
#include <windows.h>

#include "app/CommandText.h"
#include "app/Commands.h"
#include "app/MainForm.h"
#include "base/Path.h"
#include "base/Text.h"
#include "fileview/ShellUtils.h"
#include "messages/Messages.h"
#include "platform/StringTable.h"
#include "platform/Utf16.h"

namespace quill {

namespace {
constexpr int kTextMakeFolderUsage = 553;
constexpr const char* kEditParamCaption = "Edit Param...";
constexpr const char* kEditParamPrompt = "\n\nParameters";

// The character a key will also type; taken out of the queue when the key did its own thing,
// so the pane's quick search (or the command box it opened) does not see it.
void DropTypedCharacter(HWND window) {
  MSG msg;
  PeekMessageW(&msg, window, WM_CHAR, WM_CHAR, PM_REMOVE);
}

std::string CommandInterpreter() {
  wchar_t buffer[MAX_PATH];
  const DWORD n = GetEnvironmentVariableW(L"COMSPEC", buffer, MAX_PATH);
  return n > 0 && n < MAX_PATH ? Narrow(buffer) : std::string("cmd.exe");
}
}  // namespace

// ---- macros and function keys ----

TMacroContext TMainForm::MacroContext() {
  TMacroContext context;
  context.collected = [this] {
    std::vector<std::string> names;
    for (const int i : CollectedEntries()) names.push_back(view_.Files().Items(i)->FullName());
    return names;
  };
  context.drive = view_.Drive();
  context.folder = view_.Folder();
  if (!context.folder.empty() && context.folder.back() != '\\') context.folder += '\\';
  if (const TFile* focused = view_.FocusedFile(); focused && !focused->IsDrive()) {
    context.focusedName = focused->FullName();
    context.focusedBase = focused->Name();
    context.focusedExt = focused->IsFolder() ? std::string() : focused->Ext();
  }
  context.editParameters = [this](std::string& text) {
    return Questions().AskText(kEditParamCaption, kEditParamPrompt, text, true, 0) == mrOk;
  };
  return context;
}

void TMainForm::RunFunctionKey(int index) {
  if (index < 0 || index >= kFunctionKeyCount) return;
  const TFunctionAction action = ParseFunctionEntry(ini_.ReadString("Function", FunctionKeyName(index), ""));
  switch (action.kind) {
    case fkInternal: RunInternalCommand(action.command); break;
    case fkProgram: {
      const std::string parameters =
          action.call.parameters.empty() ? std::string() : ExpandMacros(action.call.parameters, MacroContext());
      // A program that cannot be started fails silently.
      ShellOpen(action.call.program, parameters, std::string(), false);
      break;
    }
    case fkNothing: break;
  }
}

void TMainForm::ShowFunctionKeys() {
  legend_.SetLabels(FunctionKeyLabels([this](const std::string& key) { return ini_.ReadString("Function", key, ""); }));
  fkeys_.SetItems(legend_.Lines());
}

void TMainForm::FunctionBarClick(int button) {
  const TLegend::TClick click = legend_.Click(button);
  fkeys_.SetItems(legend_.Lines());
  if (click.internal) RunInternalCommand(click.index);
  else RunFunctionKey(click.index);
}

void TMainForm::ModifierKey(WPARAM key, bool down) {
  bool changed = false;
  if (down && key == VK_MENU) changed = legend_.AltAlone();
  else if (down && key == VK_CONTROL) changed = legend_.CtrlAlone();
  else if (!down && (key == VK_MENU || key == VK_CONTROL)) changed = legend_.ModifierReleased();
  else if (down && key != VK_SHIFT) changed = legend_.OtherShortcut();
  if (changed) fkeys_.SetItems(legend_.Lines());
}

// ---- the pane's keys ----

namespace {
struct TPaneKey {
  UINT key;
  UINT command;
};
// Keys pressed alone in the pane (the Alt key is not looked at: a key the menu shortcuts do not
// take acts with Alt as it does alone).
constexpr TPaneKey kPaneKeys[] = {
    {VK_ADD, cmSelectGroup},     {VK_SUBTRACT, cmUnselectGroup}, {VK_MULTIPLY, cmInvertSelection},
    {VK_DIVIDE, cmSelectSameExt}, {VK_DELETE, cmDelete},         {VK_INSERT, cmCopy},
    {VK_F11, cmFavorites},       {VK_OEM_2, cmCommandLine},      {VK_OEM_5, cmRoot},
};
}  // namespace

void TMainForm::PaneKeyDown(WPARAM& key) {
  if (key == VK_MENU || key == VK_CONTROL || key == VK_SHIFT) {
    ModifierKey(key, true);
    return;
  }
  ModifierKey(key, true);
  const bool shift = GetKeyState(VK_SHIFT) < 0;
  const bool control = GetKeyState(VK_CONTROL) < 0;
  if (shift) {
    // Shift (also with Ctrl) with a letter switches drive, with F1-F12 opens a favourite.
    if (key >= 'A' && key <= 'Z') {
      view_.SetDrive(std::string(1, static_cast<char>(key)) + ":");
      DropTypedCharacter(pane_.Handle());
    } else if (key >= VK_F1 && key <= VK_F12) {
      RunCommand(cmFavoriteKey1 + static_cast<UINT>(key - VK_F1));
    } else if (key == VK_OEM_2) {
      DropTypedCharacter(pane_.Handle());
      RunCommand(cmNetwork);
    }
    return;
  }
  if (control) {
    if (key >= VK_F1 && key <= VK_F11) RunFunctionKey(7 + static_cast<int>(key - VK_F1));
    return;
  }
  if (key >= VK_F2 && key <= VK_F8) {
    RunFunctionKey(static_cast<int>(key - VK_F2));
    return;
  }
  switch (key) {
    case VK_BACK:
    case VK_OEM_PERIOD:
    case VK_DECIMAL:
      // Backspace and "." edit a quick search while there is one; otherwise they go up.
      if (!view_.FindText().empty()) return;
      DropTypedCharacter(pane_.Handle());
      RunCommand(cmUpOneLevel);
      return;
    case VK_ESCAPE: EscapeKey(); return;
    case VK_APPS: ApplicationKey(); return;
    default: break;
  }
  for (const TPaneKey& k : kPaneKeys) {
    if (k.key != key) continue;
    DropTypedCharacter(pane_.Handle());
    RunCommand(k.command);
    return;
  }
}

void TMainForm::EscapeKey() {
  if (view_.OwnerData()) {
    LeaveArchive();
    return;
  }
  switch (ini_.ReadInteger("Option", "Esc", 2)) {
    case 0: OpenCommandBox(); break;
    case 1: PostMessageW(Handle(), WM_COMMAND, cmExit, 0); break;
    case 2: ShowWindow(Handle(), SW_MINIMIZE); break;
    case 3: view_.DeselectAll(true); break;
    default: break;
  }
}

// ---- the command box ----

void TMainForm::OpenCommandBox() {
  if (!StatusAreaShown() || commandBoxOpen_) return;
  commandBoxOpen_ = true;
  BuildAccelerators();
  RECT r{};
  GetWindowRect(status_.Handle(), &r);
  MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&r), 2);
  SetWindowPos(commandBox_.Handle(), HWND_TOP, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOACTIVATE);
  ShowWindow(status_.Handle(), SW_HIDE);
  commandBox_.Open(commandHistory_);
}

void TMainForm::CloseCommandBox(bool focusPane) {
  if (!commandBoxOpen_) return;
  commandBoxOpen_ = false;
  BuildAccelerators();
  commandBox_.Hide();
  if (StatusAreaShown()) ShowWindow(status_.Handle(), SW_SHOW);
  if (focusPane) SetFocus(pane_.Handle());
}

void TMainForm::RunCommandText(const std::string& text) {
  const TBoxCommand command = ParseCommandBox(text, MacroContext());
  switch (command.kind) {
    case bkNothing: break;
    case bkDrive: view_.SetDrive(command.argument); break;
    case bkFolder: ShowFolder(command.argument); break;
    case bkMakeFolderMissing:
      Questions().Message(LoadText(kTextMakeFolderUsage), LoadText(kTextError), mbOk, miStop);
      break;
    case bkMakeFolder: {
      const std::string& name = command.argument;
      const bool absolute = name.find(':') != std::string::npos || StartsWith(name, "\\");
      const std::string path = absolute ? name : JoinPath(view_.Folder(), name);
      notify_.SetActive(false);
      if (CreateDirectoryW(LongPath(path).c_str(), nullptr)) view_.Refresh(FileNamePart(path), true);
      else Questions().ShowError(GetLastError(), "Error", true);
      notify_.SetActive(autoRefresh_);
      break;
    }
    case bkFormat:
      if (!command.argument.empty()) FormatDrive(Handle(), command.argument[0], command.quick);
      break;
    case bkCopy: ShellOpen(CommandInterpreter(), command.call.parameters, view_.Folder(), false); break;
    // Closing from inside the box's own key handling would destroy it under its feet.
    case bkExit: PostMessageW(Handle(), WM_COMMAND, cmExit, 0); break;
    case bkProgram: ShellOpen(command.call.program, command.call.parameters, std::string(), false); break;
  }
}

// ---- toolbar and status area ----

bool TMainForm::ToolbarShown() const { return toolbarWanted_; }

void TMainForm::ShowToolbar(bool show) {
  toolbarWanted_ = show;
  ShowWindow(bar_.Handle(), show ? SW_SHOW : SW_HIDE);
  LayoutChildren();
}

bool TMainForm::StatusAreaShown() const { return statusWanted_; }

void TMainForm::ShowStatusArea(bool show) {
  if (!show) CloseCommandBox(false);
  statusWanted_ = show;
  ShowWindow(status_.Handle(), show ? SW_SHOW : SW_HIDE);
  LayoutChildren();
}

}  // namespace quill

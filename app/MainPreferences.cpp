// Tools > Options: the Preferences dialog over this window's settings file. What it writes takes
// effect at once through ApplySettings.
#include <windows.h>

#include "app/MainForm.h"
#include "platform/Win32FileSystem.h"
#include "platform/Win32Text.h"
#include "settings/PreferencesDialog.h"

namespace quill {

void TMainForm::OptionsCommand() {
  TPreferencesContext context;
  context.settings = &ini_;
  context.store = &TWin32FileSystem::Instance();
  context.codePage = &TAnsiCodePage::Instance();
  context.programFolder = files_.folder;
  context.driveMemory = view_.DriveMemory();
  context.applySettings = [this] {
    TFiles& list = view_.Files();
    list.BeginUpdate();
    try {
      ApplySettings();
    } catch (...) {
      list.EndUpdate();
      throw;
    }
    list.EndUpdate();
  };
  // The entry as plain text until the function-key editor takes its place.
  context.editFunction = [this](std::string& entry) {
    return Questions().AskText("Function Key", "Command", entry, false, 0) == mrOk;
  };
  TfPreferences dialog(Handle(), Questions(), std::move(context));
  dialog.ShowModal();
}

}  // namespace quill

// Tools > Options: the Preferences dialog over this window's settings file. What it writes takes
// effect at once through ApplySettings.
#include <windows.h>

#include "app/MainForm.h"
#include "platform/Win32FileSystem.h"
#include "platform/Win32Text.h"
#include "settings/EditFuncDialog.h"
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
  // The editor is owned by the dialog, which is the active window while the main one waits.
  TfPreferences* shown = nullptr;
  context.editFunction = [this, &shown](std::string& entry) {
    return EditFunctionKey(shown ? shown->Handle() : Handle(), Questions(), entry);
  };
  TfPreferences dialog(Handle(), Questions(), std::move(context));
  shown = &dialog;
  dialog.ShowModal();
}

}  // namespace quill

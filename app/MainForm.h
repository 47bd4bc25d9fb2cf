// TMainForm: the single main window. It owns the settings file, the pane and its window, and
// runs the start-up and close rules.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/Startup.h"
#include "base/IniFile.h"
#include "fileview/FileViewWindow.h"
#include "fileview/QuillView.h"
#include "fileview/ShellChangeNotify.h"
#include "ui/Window.h"

namespace quill {

struct TMainFormOptions {
  std::string programFolder;  // ends with a backslash; empty: the executable's folder
  std::string commandLine;    // the whole process command line, program name first
  bool quitOnDestroy = true;  // the application's own window ends the message loop
};

class TMainForm : public TWindow {
public:
  explicit TMainForm(TMainFormOptions options);
  ~TMainForm() override;

  bool Create();
  // First show: placement, start folder, settings, then the window appears.
  void Show();
  // Runs the close rules and destroys the window (what the close box does).
  void Close();

  TQuillView& View() { return view_; }
  TFileViewWindow& Pane() { return pane_; }
  TIniFile& Settings() { return ini_; }
  const TProgramFiles& ProgramFiles() const { return files_; }
  std::vector<std::string>& CommandHistory() { return commandHistory_; }
  TShellChangeNotify& ChangeNotify() { return notify_; }

  void ApplySettings();
  // Selects everything when nothing is selected, else clears the selection; folders take part
  // with the SelDir option.
  void SelectAllCommand();

  static std::string ExecutableFolder();

private:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void RestoreWindowAndFolder();
  void UpdateCaption();
  void FolderChanged();
  void WatchedFolderChanged();
  void PaneKeyDown(WPARAM& key);
  void LayoutChildren();
  TPlacement CurrentPlacement() const;

  TMainFormOptions options_;
  TProgramFiles files_;
  TIniFile ini_;
  TQuillView view_;
  TFileViewWindow pane_;
  std::vector<std::string> commandHistory_;
  TShellChangeNotify notify_;
  bool autoRefresh_ = true;
  bool pathCaption_ = false;
  bool closed_ = false;
};

}  // namespace quill

// The start-up and close rules of the main window that need no window: the placement text,
// the command-line argument, the start folder with the per-drive folders, the pane settings,
// and what close writes. Portable, so the precedence rules are tested natively.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/CodePage.h"
#include "base/FileSystem.h"
#include "base/IniFile.h"
#include "fileview/QuillView.h"

namespace quill {

constexpr const char* kDefaultPlacement = "0,100,100,550,500";
constexpr const char* kAppTitle = "Quill 4.0 Beta1";
constexpr const char* kCaptionTitle = "Quill 4.0 Beta3";
constexpr int kHistoryLimit = 10;

struct TPlacement {
  bool maximized = false;
  int left = 100, top = 100, width = 550, height = 500;
};

// "maximised,left,top,width,height". Fewer than five items, non-numeric items, or a size or
// position no screen can have give the default.
TPlacement ParsePlacement(std::string_view text);
std::string FormatPlacement(const TPlacement& placement);

// The process command line without the program name (a leading double-quoted part, or the
// part up to the first blank), with leading blanks trimmed. One pair of surrounding double
// quotes is removed too, so `quill "C:\My Folder"` names the folder.
std::string CommandLineArgument(std::string_view commandLine);

// Pane settings read from quill.ini with their start-up defaults.
struct TPaneSettings {
  std::string fontFace = "MS Sans Serif";
  int fontSize = 9;
  bool fontBold = false;
  bool viewHidden = false;
  TFileSortType sortType = fstExt;
  bool pathCaption = false;
  bool autoRefresh = true;
  // Display settings, as integers in the pane's enumerations (Views, CharCase, Focus).
  bool longName = true;
  int charCase = 1;  // ccUpper
  bool attachExt = false;
  int focusStyle = 0;  // fsDot
  bool autoColumn = true;
  int column = 2;
  int viewStyle = 0;  // vsList
  bool viewIcon = false;
  bool folderInfo = true;
  bool columnLine = true;
  bool fileType = true;
};
TPaneSettings ReadPaneSettings(const TIniFile& ini);

// The files beside the settings.
struct TProgramFiles {
  std::string folder;  // ends with a backslash
  std::string Settings() const { return folder + "quill.ini"; }
  std::string LastDir() const { return folder + "last.dir"; }
  std::string History() const { return folder + "history.dat"; }
};

// Opens the start folder: the argument when it is an existing folder, else `Start` when
// `StartDir` is set; then loads last.dir and switches to its last drive when `StartDir` is
// off; and falls back to "C:\" when the pane still has no folder.
void RestoreFolder(TQuillView& view, const TIniFile& ini, IFileSystem& fs, const ICodePage& codePage,
                   const TProgramFiles& files, std::string_view argument);

// What start-up does for the pane before the window is filled: the list settings that can go
// in before the first scan (so a large start folder is not scanned twice), then RestoreFolder.
// No sort is left to ApplySettings: switching to it rescans, and a pane with no folder yet would
// list the process's current folder.
void OpenStartFolder(TQuillView& view, const TIniFile& ini, IFileSystem& fs, const ICodePage& codePage,
                     const TProgramFiles& files, std::string_view argument);

// history.dat lines (at most the last kHistoryLimit); none when the file is missing.
std::vector<std::string> LoadHistory(IFileStore& store, const ICodePage& codePage, const TProgramFiles& files);

// Close: placement (flushed), last.dir (when `SaveLastDir`), history.dat (always). Failures
// are ignored: the window closes regardless.
void SaveOnClose(TIniFile& ini, const TPlacement& placement, TQuillView& view, const std::vector<std::string>& history,
                 IFileStore& store, const ICodePage& codePage, const TProgramFiles& files);

}  // namespace quill

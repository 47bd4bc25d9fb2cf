// TMainForm: the single main window. It owns the settings file, the pane and its window, and
// runs the start-up and close rules.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/NavigationBar.h"
#include "app/Startup.h"
#include "app/StatusArea.h"
#include "base/IniFile.h"
#include "fileview/FileViewWindow.h"
#include "fileview/QuillView.h"
#include "fileview/ShellChangeNotify.h"
#include "messages/Questions.h"
#include "navigation/Favorites.h"
#include "navigation/StringHistory.h"
#include "navigation/WorkFolders.h"
#include "operations/CopyingDialog.h"
#include "operations/DeletingDialog.h"
#include "ui/Window.h"

namespace quill {

struct TMainFormOptions {
  std::string programFolder;  // ends with a backslash; empty: the executable's folder
  std::string commandLine;    // the whole process command line, program name first
  bool quitOnDestroy = true;  // the application's own window ends the message loop
  // The question service; null: the window's own, which shows the real dialogs.
  IQuestions* questions = nullptr;
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

  // ---- navigation ----
  TNavigationBar& NavigationBar() { return bar_; }
  TStatusArea& StatusArea() { return status_; }
  const TStringHistory& History() const { return history_; }
  const TWorkFolders& WorkFolders() const { return work_; }
  const std::string& LastDestination() const { return lastDestination_; }
  void SetLastDestination(std::string folder) { lastDestination_ = std::move(folder); }
  // Shows a folder the way every command does: nothing changes when it cannot be entered.
  void ShowFolder(const std::string& path);
  void AddressEnter(const std::string& text);
  std::vector<std::string> AddressLines();
  void AddressPick(int index);
  void Back();
  void Forward();
  // A folder picked from the Back or Forward drop-down: an ordinary folder change.
  void ShowFromHistoryMenu(const std::string& path);
  void UpOneLevel();
  void Root();
  void GoLastDestination();
  // Work-folder slots here count from 0 (the buttons); TWorkFolders counts from 1.
  void WorkFolderClick(int slot);
  void WorkFolderRightClick(int slot);
  void SetWorkFolder(int slot);
  void GoWorkFolder(int slot);
  void ShowFavorite(int number);  // Shift+F1 ... Shift+F12: 1 ... 12
  const std::vector<TFavorite>& Favorites();
  // The favourites drop-down (also F11): one item per favourite with the folder bitmap, then a
  // separator, "Add to Favorites" and "Organize Favorites". The caller destroys it.
  HMENU CreateFavoritesMenu();
  // The folder bitmap of those items; the menu asks this window to measure and draw it.
  static bool IsFavoriteItem(UINT id);
  void MenuBitmapMeasure(MEASUREITEMSTRUCT& item);
  void MenuBitmapDraw(const DRAWITEMSTRUCT& item);
  void AddToFavorites();
  void ShowShellFolder(const char* valueName);  // "Desktop", "Start Menu", "Personal"
  void GoTempFolder();
  void BrowseNetwork();
  void ChooseTree();
  // The destination prompt before a copy, a move or an extraction; "" when the user gave none.
  std::string AskDestination(const std::string& proposal);
  // ---- operations ----
  // The marked entries, or the focused one when it is neither a drive entry nor ".."; their
  // names become the selection memory that Restore Selection marks again.
  std::vector<int> CollectedEntries();
  void RestoreSelection();
  const std::vector<std::string>& SelectionMemory() const { return selectionMemory_; }
  // Copy or Move (Alt+C, Alt+M, Insert): asks the destination, runs the engine, updates the pane.
  void CopyCommand(bool move);
  void RunCopy(const std::vector<int>& items, const std::string& destination, bool move);
  // Delete (Alt+D, Delete): asks, then deletes to the recycle bin (Yes) or for good (Delete).
  void DeleteCommand();
  void RunDelete(const std::vector<int>& items, bool recycle);
  void PlayCompletionSound();
  // Add/Modify Description (Alt+Enter): asks each collected entry's description in turn.
  void DescriptionCommand();
  // Delete All Descriptions: removes the folder's descript.dat after asking.
  void DeleteAllDescriptionsCommand();

  // Runs a menu command by its identifier; false for one it does not know.
  bool RunCommand(UINT id);
  HACCEL Accelerators() const { return accelerators_; }
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
  void BuildMenus();
  void RebuildHistoryMenus();
  void ShowDropDown(TNavButton button, POINT screen);
  void LoadFavoritesMenu();
  HBITMAP FolderBitmap();
  void UpdateWorkButtons();
  void UpdateFileInfo();
  void UpdateSelectionInfo();
  void UpdateDiskInfo();
  bool OpenShortcutFolder();
  void CreateFolderCommand();
  // Select Group / Unselect Group: masks asked for, files matching them (de)selected.
  void SelectGroupCommand(bool select);
  IQuestions& Questions() { return *questions_; }
  ICopyProgress* CopyProgress();
  IDeleteProgress* DeleteProgress();
  void FinishOperation();
  // A descript.dat that could not be written is reported; 0 shows nothing.
  void ShowFileError(uint32_t error);
  void LayoutChildren();
  // The smallest window that still shows one row of the pane and the status area.
  SIZE MinimumSize() const;
  TPlacement CurrentPlacement() const;

  TMainFormOptions options_;
  TProgramFiles files_;
  TIniFile ini_;
  TQuillView view_;
  TFileViewWindow pane_;
  std::vector<std::string> commandHistory_;
  TShellChangeNotify notify_;
  TNavigationBar bar_;
  TStatusArea status_;
  std::unique_ptr<IQuestions> ownQuestions_;
  std::unique_ptr<TfCopying> copying_;
  std::unique_ptr<TfDeleting> deleting_;
  IQuestions* questions_ = nullptr;
  TStringHistory history_{12};
  bool suppressHistory_ = false;
  std::string lastRealFolder_;
  std::string lastDestination_;
  TWorkFolders work_;
  std::vector<TFavorite> favorites_;
  std::vector<std::string> selectionMemory_;
  bool favoritesLoaded_ = false;
  HMENU menu_ = nullptr;
  HMENU favoritesMenu_ = nullptr;
  HACCEL accelerators_ = nullptr;
  HBITMAP folderBitmap_ = nullptr;
  uint64_t driveTotal_ = 0, driveFree_ = 0;
  bool autoRefresh_ = true;
  bool pathCaption_ = false;
  bool closed_ = false;
};

}  // namespace quill

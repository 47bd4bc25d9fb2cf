// TMainForm: the single main window. It owns the settings file, the pane and its window, and
// runs the start-up and close rules.
#pragma once

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <tuple>
#include <vector>

#include "app/CommandBox.h"
#include "app/CommandTable.h"
#include "app/DropRules.h"
#include "app/FunctionKeys.h"
#include "app/Legend.h"
#include "app/NavigationBar.h"
#include "app/Startup.h"
#include "app/StatusArea.h"
#include "archive/Archive.h"
#include "archive/Rar.h"
#include "archive/Zip.h"
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
#include "transfer/DropTarget.h"
#include "ui/BtnStatusBar.h"
#include "ui/MenuLook.h"
#include "ui/Window.h"

namespace quill {

class TFileCopy;
class TShellMenu;

struct TMainFormOptions {
  std::string programFolder;  // ends with a backslash; empty: the executable's folder
  std::string commandLine;    // the whole process command line, program name first
  bool quitOnDestroy = true;  // the application's own window ends the message loop
  // The question service; null: the window's own, which shows the real dialogs.
  IQuestions* questions = nullptr;
};

class TMainForm : public TWindow, private IFileDropHandler {
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
  void AddToFavorites();
  // The organiser; after OK the favourites are read again, so the menu and Shift+F keys follow.
  void OrganizeFavorites();
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
  // The engine's run with the name-conflict question, notification switched off.
  void RunEngine(TFileCopy& engine, const std::string& destination, bool move);
  // Files named by another program (clipboard, drop) copied or moved with the name-conflict
  // question, the folder-tree caches following; notification is switched off, not back on.
  void RunCopyOf(const std::vector<std::string>& sources, const std::string& destination, bool move);
  // Delete (Alt+D, Delete): asks, then deletes to the recycle bin (Yes) or for good (Delete).
  void DeleteCommand();
  void RunDelete(const std::vector<int>& items, bool recycle);
  void PlayCompletionSound();
  // Split File (Ctrl+Shift+S) on the focused plain file; Join Files (Ctrl+Shift+A) on the set
  // named by the focused entry's base name.
  void SplitFileCommand();
  // Options (Ctrl+F12): the Preferences dialog over the settings file and the colour set.
  void OptionsCommand();
  void JoinFilesCommand();
  // Add/Modify Description (Alt+Enter): asks each collected entry's description in turn.
  void DescriptionCommand();
  // Delete All Descriptions: removes the folder's descript.dat after asking.
  void DeleteAllDescriptionsCommand();
  // Attributes/Time (Ctrl+Z, the file-information panel): the dialog per collected entry.
  void AttributesCommand();
  // Rename (Alt+R): a new name per collected entry, or Advanced Rename's for all of them.
  void RenameCommand();
  // Save Selected List (Tools): the selected entries' list, written where the user chooses.
  void SaveSelectedListCommand();

  // ---- drag and drop ----
  // Drags the selected entries (or the focused one) out of the pane; rescans after a move.
  void DragEntries();
  // Dropped files copied, moved or linked into `target` as a drop does it.
  void DropFiles(const std::vector<std::string>& files, const std::string& target, DWORD effect);
  // The right-button drop's menu at a screen point: the effect chosen, or none.
  DWORD DropMenu(POINT screen, DWORD allowed);

  // ---- clipboard ----
  // Copy (Ctrl+C) and Cut: the collected entries as the shell's file list with the copy or move
  // effect; cut entries are drawn dimmed while the clipboard still holds that list.
  void ClipboardCopyCommand(bool cut);
  // Paste (Ctrl+V): the clipboard's files into the folder shown, moved when they were cut.
  void PasteCommand();
  // Paste Shortcut (Ctrl+Alt+V): a shortcut here to each file on the clipboard.
  void PasteShortcutCommand();
  // Copy Path Name (Ctrl+Alt+C): the focused entry's full path as text.
  void CopyPathNameCommand();
  bool CanCopyToClipboard();
  bool CanPaste();
  bool CanCopyPathName();
  // The entries' cut marks as the clipboard and the folder shown are now.
  void MarkCutEntries();

  // ---- archives ----
  // An archive is shown in the pane (owner-data mode with an archive object).
  bool InArchive() const { return archive_ != nullptr && view_.OwnerData(); }
  TArchive* Archive() { return archive_.get(); }
  // Shows the archive file `path` as a folder; false when there is no reader for its type.
  bool EnterArchive(const std::string& path);
  // Back to the folder holding the archive, its file focused.
  void LeaveArchive();
  // Moves inside the shown archive: a folder name, ".." (leaving at the root) or "\".
  void ArchiveChangeFolder(const std::string& name);
  // One extraction of the archive file `path` into `destination`: `entries` are in-archive
  // paths (none: everything); `answer` runs across the archives of one command.
  bool ExtractArchive(const std::string& path, const std::string& destination,
                      const std::vector<TSelectionItem>& entries, uint32_t& answer);
  void ExtractCommand();
  void ExtractToCommand();
  void InstallCommand();
  // The focused archive entry extracted into the temporary folder; its path, or "".
  std::string ExtractEntryToTemp(const TFile& file);
  // Add to Archive (move false) and Move to Archive (move true) on the collected entries.
  void AddToArchiveCommand(bool move);
  // Makes or adds to the archive `name` (relative to the pane's folder or absolute) from the
  // pane's entries `sources`; the archive's name as made (with its extension), "" when nothing
  // was run. A move deletes the originals only once the archive, listed again, holds them all.
  std::string CreateArchive(const std::string& name, int format, bool move, const std::vector<TSelectionItem>& sources,
                            bool recursive, int compression, int64_t volumeSize, const std::string& password);
  // Archive > Properties: the totals of the archive shown.
  void ArchivePropertiesCommand();

  // ---- tree caches: the caches of the drives involved follow folder changes made here ----
  std::string TreeCacheOf(const std::string& path);
  void CacheFoldersCopied(const std::vector<std::string>& folders, const std::string& destination, bool move);
  void CacheFoldersDeleted(const std::vector<std::string>& folders);
  void CacheFolderRenamed(const std::string& oldPath, const std::string& newName);
  void CacheFolderCreated(const std::string& path);

  // ---- commands ----
  // The command table, in main-menu order (MainCommands.cpp).
  static std::span<const TCommand> Commands();
  static const TCommand* FindCommand(unsigned id);
  bool CommandEnabled(const TCommand& command);
  // Runs a command by its identifier; false for one it does not know. A command that is not
  // available does nothing.
  bool RunCommand(UINT id);
  // "copy" ... "refresh" by index; false for an index without a command ("none").
  bool RunInternalCommand(int index);
  HACCEL Accelerators() const { return accelerators_; }
  HMENU MainMenu() const { return menu_; }
  TMenuLook& MenuLook() { return menuLook_; }
  // Function keys by index: 0-6 F2-F8, 7-17 Ctrl+F1-Ctrl+F11.
  void RunFunctionKey(int index);
  // The macro context of the pane as it is now: drive, folder, focused and collected entries,
  // and the parameter editor.
  TMacroContext MacroContext();
  // The function-key bar and its legends.
  TBtnStatusBar& FunctionBar() { return fkeys_; }
  const TLegend& Legend() const { return legend_; }
  void ShowFunctionKeys();
  void FunctionBarClick(int button);
  // The command box over the status area.
  TCommandBox& CommandBox() { return commandBox_; }
  bool CommandBoxOpen() const { return commandBoxOpen_; }
  void OpenCommandBox();
  void CloseCommandBox(bool focusPane);
  void RunCommandText(const std::string& text);
  bool ToolbarShown() const;
  void ShowToolbar(bool show);
  bool StatusAreaShown() const;
  void ShowStatusArea(bool show);
  void PaneContextMenu(int x, int y);
  void PaneTitleClick(int x, int y);
  // The entry menu for the pane as it is now; the caller tracks and destroys it.
  HMENU EntryMenu();
  // Selects everything when nothing is selected, else clears the selection; folders take part
  // with the SelDir option.
  void SelectAllCommand();

  static std::string ExecutableFolder();

private:
  // ---- the shell's commands (MainShell.cpp) ----
  // Properties (F9): the shell's sheet of the collected entries, or of the focused drive.
  void PropertiesCommand();
  // Create New (Ctrl+N): an empty file by the name asked for; nothing said when it fails.
  void CreateNewCommand();
  // Create Shortcut: one shortcut per collected entry, here in the current folder.
  void CreateShortcutCommand();
  void ShortcutToDesktopCommand();
  // The shell's own context menu for the focused entry or the collected ones.
  void ExplorerMenuCommand();
  // The entries the shell's menu and properties act on: full paths, drive roots for drives.
  std::vector<std::string> ShellItemPaths();
  bool ShellItemsAvailable();
  std::string EntryPath(const TFile& file) const;
  void OpenWithCommand();
  void RecycleBinCommand();
  void EmptyRecycleBinCommand();
  void EmptyTempFolderCommand();
  void FormatCommand();
  void DiskCopyCommand();
  void NetworkDriveCommand(bool connect);
  void HelpLinkCommand(bool mail);
  void RescanKeepingFocus();
  // Forwards the drawing and menu messages to the shell's menu while it is open.
  bool ShellMenuMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  TShellMenu* shellMenu_ = nullptr;
  // Where the pane's context menu was asked for, while it is being handled.
  std::optional<POINT> contextPoint_;

  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void RestoreWindowAndFolder();
  void UpdateCaption();
  void FolderChanged();
  void WatchedFolderChanged();
  void PaneKeyDown(WPARAM& key);
  void BuildMenus();
  HMENU SubMenu(HMENU bar, const std::string& place);
  std::string MenuCaption(const TCommand& command) const;
  void BuildAccelerators();
  void SetMenuCaptions();
  void SetShortcutCaptions();
  void InitMenuPopup(HMENU popup);
  // Shows a popup menu in the program's look and destroys it; the chosen command or 0.
  UINT TrackMenu(HMENU menu, POINT screen, UINT flags);
  void AppendCommand(HMENU menu, UINT id, const std::string& caption, bool enabledToo = true);
  std::string ExtractToCaption(bool anySelected);
  void ApplicationKey();
  void ModifierKey(WPARAM key, bool down);
  void OpenCommand();
  void OpenWithParameters();
  void RefreshCommand();
  // View Text / Edit Text with the program of Program/View or Program/Edit.
  void TextCommand(const char* programKey);
  bool ColumnChecked(int count);
  int FilterIndex();  // the View > Filter item of the current mask; -1 for a custom one
  void SetFilterMask(int index);
  // The masks for Select Group, Unselect Group and Custom Filter; "" when cancelled or blank.
  std::string AskMasks(std::string masks);
  void CustomFilter();
  void ToggleHidden();
  void ToggleAutoRefresh();
  void AboutCommand();
  void EscapeKey();
  void DrawFolderBitmap(HDC dc, const RECT& r);
  void ShowDropDown(TNavButton button, POINT screen);
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
  TfCopying& CopyingDialog();
  std::string ArchiveAddress() const;
  void FillArchiveList(bool& handled);
  bool OpenInArchive();
  std::vector<TSelectionItem> CollectedArchiveEntries();
  // The progress dialog and the questions of one extraction; `ended` follows the dialog.
  void AttachArchiveHandlers(TArchive& archive, bool& ended);
  // An archiver named without a folder, as found beside quill.exe when it is there.
  std::string ArchiverPath(const std::string& program) const;
  std::unique_ptr<TArchive> NewArchiveReader(const std::string& path);
  // Runs a command-line archiver until it ends; its exit code is kept in archiverExit_ (-1
  // when it did not start).
  bool RunArchiver(const std::string& program, const std::string& parameters);
  long archiverExit_ = -1;
  void ArchiveMenu(POINT screen);
  // A descript.dat that could not be written is reported; 0 shows nothing.
  void ShowFileError(uint32_t error);
  void LayoutChildren();
  // The smallest window that still shows one row of the pane and the status area.
  SIZE MinimumSize() const;
  TPlacement CurrentPlacement() const;
  // The pane as a drop target (MainDragDrop.cpp).
  DWORD FilesDragEnter(const std::vector<std::string>& files, DWORD keys, POINT screen, DWORD allowed) override;
  DWORD FilesDragOver(DWORD keys, POINT screen, DWORD allowed) override;
  void FilesDragLeave() override;
  DWORD FilesDrop(const std::vector<std::string>& files, DWORD keys, POINT screen, DWORD allowed) override;
  void RegisterDropTarget();
  void RevokeDropTarget();
  void ScrollWhileDragging(int direction);

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
  std::unique_ptr<TArchive> archive_;
  std::string archivePath_;  // the archive file shown
  std::unique_ptr<IZipLibraries> zipLibraries_;
  std::unique_ptr<IArchiveLibrary> rarLibrary_;
  std::unique_ptr<IArchiveLibrary> aceLibrary_;
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
  HACCEL accelerators_ = nullptr;
  std::vector<std::tuple<HMENU, std::string, HMENU>> subMenus_;
  TMenuLook menuLook_;
  TBtnStatusBar fkeys_;
  TLegend legend_;
  TCommandBox commandBox_;
  bool commandBoxOpen_ = false;
  bool ctrlX_ = false;
  bool toolbarWanted_ = true;
  bool statusWanted_ = true;
  HBITMAP folderBitmap_ = nullptr;
  uint64_t driveTotal_ = 0, driveFree_ = 0;
  bool autoRefresh_ = true;
  bool pathCaption_ = false;
  bool closed_ = false;
  TFileDropTarget* dropTarget_ = nullptr;
  TDropSession drop_;
  // What was cut, from which folder, and the clipboard's state right after.
  std::string cutFolder_;
  std::vector<std::string> cutNames_;
  uint32_t cutSequence_ = 0;
};

}  // namespace quill

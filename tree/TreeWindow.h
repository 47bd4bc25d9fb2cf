// TfTree, "Folder Tree": the modal folder chooser around the folder view, with the drive
// buttons, favourites, the system folders, the address line and the key bar; it also makes,
// renames and deletes folders and refreshes the cached tree. Settings (placement, font, cache
// placement) come from quill.ini in the program's folder; questions go through IQuestions.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/FileSystem.h"
#include "base/IniFile.h"
#include "messages/Questions.h"
#include "tree/FolderView.h"
#include "tree/ScanDialog.h"
#include "tree/TreeToolBar.h"
#include "ui/BtnStatusBar.h"
#include "ui/MenuLook.h"
#include "ui/Window.h"

namespace quill {

// "Window"/"Tree": maximized flag, left, top, width, height.
struct TTreePlacement {
  bool maximized = false;
  int left = 100;
  int top = 100;
  int width = 800;
  int height = 600;
};
// The five integers; the default for text that does not hold five numbers.
TTreePlacement ParseTreePlacement(const std::string& text);
std::string TreePlacementText(const TTreePlacement& placement);

// "TFont": "\"MS Sans Serif\",9,0" (name, points, style).
struct TTreeFont {
  std::string name = "MS Sans Serif";
  int points = 9;
};
TTreeFont ParseTreeFont(const std::string& text);

class TfTree : public TWindow {
public:
  enum TCommand : int {
    cmDelete = 201, cmRename, cmDesktop, cmStartMenu, cmPersonal, cmProperties, cmClose,
    cmFavorites, cmNewFolder, cmExpandOne, cmCollapseOne, cmExpandRecursive, cmCollapseRecursive,
    cmExpandAll, cmCollapseAll, cmPartRefresh, cmFullRefresh, cmFindNext,
    cmSelect, cmToggle, cmAddFavorite,
    cmFavoriteFirst = 400,
  };
  static constexpr int kMaxFavoriteItems = 200;
  enum TControl : int { kAddressId = 101, kVolumeId, kFindId, kAddressLabelId };

  // `programFolder` ends in "\" and holds quill.ini, quill.col and favorite.dat.
  TfTree(IQuestions& questions, const std::string& programFolder);
  ~TfTree() override;

  // The window, hidden, owned by `owner`, placed and with the settings applied.
  bool Create(HWND owner, const std::string& caption);
  // Runs it modally; `shown` runs once it is up (the drive or folder is read there). mrOk when a
  // folder was chosen.
  int ShowModal(HWND owner, const std::function<void()>& shown);
  void Close(int result);
  // 0 while it is open.
  int ModalResult() const { return modalResult_; }

  TQuillFolderView& FolderView() { return view_; }
  TTreeToolBar& ToolBar() { return toolBar_; }
  TBtnStatusBar& StatusBar() { return statusBar_; }
  HWND Address() const { return address_; }
  std::string AddressText() const;
  std::string VolumeText() const;
  // The quick-search label: visible only while there is a text.
  bool FindVisible() const;
  std::string FindText() const;
  // The pressed drive button (-1 none) and the first drive button's index among the tool buttons.
  int PressedDrive() const { return pressedDrive_; }
  int FirstDriveButton() const { return kFirstDriveButton; }
  // The scan window while a scan runs.
  TfScan* ScanWindow() { return scan_.get(); }
  TIniFile& Settings() { return ini_; }

  // The commands as the menus, keys and key bar run them.
  void RunCommand(int command);
  void NewFolder();
  void RenameFolder();
  void DeleteFolder();
  void ChooseDriveButton(int index);

private:
  static constexpr int kFirstDriveButton = 3;

  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void CreateMenus();
  void CreateControls();
  void FillToolBar();
  void Layout();
  void ApplySettings();
  void SavePlacement();

  bool FolderViewKeyDown(WPARAM key, bool system);
  void FolderViewChange();
  void FolderViewSelect();
  void FolderViewFindChange(const std::string& text);
  void FolderViewChangeDrive(const std::string& drive, uint32_t driveType);
  void FolderViewContextMenu(int x, int y);
  void BeforeScan();
  void Scan(const std::string& folder);
  void AfterScan();
  void StatusBarClick(int index);
  void ToolBarClick(int index);
  void ShowFavorites();
  void LoadFavoriteItems();
  void AddFavorite();
  void GoShellFolder(const char* name);
  void ShowFolderProperties();
  void ExpandCollapse(int command);
  void AddressEnter();
  int TrackMenu(HMENU menu, POINT screen, UINT flags);
  void MenuSelect(HMENU menu, UINT item, UINT flags);
  void HideFavoriteHint();
  static LRESULT CALLBACK AddressEditProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                          DWORD_PTR self);

  IQuestions& questions_;
  IFileSystem& fs_;
  std::string programFolder_;
  TIniFile ini_;
  TQuillFolderView view_;
  TTreeToolBar toolBar_;
  TBtnStatusBar statusBar_;
  std::unique_ptr<TfScan> scan_;
  HWND addressLabel_ = nullptr;
  HWND address_ = nullptr;
  HWND volume_ = nullptr;
  HWND find_ = nullptr;
  HMENU menu_ = nullptr;
  TMenuLook menuLook_;
  HWND favoriteHint_ = nullptr;  // the path of the favourite under the mouse, beside the menu
  TFontHandle font_;
  std::string driveLetters_;
  int pressedDrive_ = -1;
  int modalResult_ = 0;
  TTreePlacement placement_;
  std::vector<std::pair<std::string, std::string>> favorites_;  // name, folder
};

// Shows the tree window over `owner` as a folder chooser and returns the chosen folder, or ""
// when it was closed without choosing. `openFolders` ("C:\=C:\Work" lines) may be null; the tree
// opens on `drive` when `startFolder` is empty, else on that folder.
std::string BrowseFolderTree(HWND owner, IQuestions& questions, const std::string& programFolder,
                             const std::string& drive, const std::vector<std::string>* openFolders,
                             const std::string& caption, const std::string& startFolder);

}  // namespace quill

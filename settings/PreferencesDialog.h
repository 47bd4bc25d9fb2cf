// TfPreferences ("Preferences"): six owner-drawn tabs over the settings file and the colour set.
// Apply writes both and has the main window apply them at once; OK is Apply and close; Cancel
// writes nothing. The settings file is the main window's own object, so its Flush keeps what
// other keys and other programs changed meanwhile.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "base/CodePage.h"
#include "base/FileStore.h"
#include "base/IniFile.h"
#include "messages/Questions.h"
#include "settings/PreferencesModel.h"
#include "ui/Dialog.h"

namespace quill {

// The six tab images, 16 by 16, in tab order; the caller destroys the list.
HIMAGELIST CreatePreferenceTabImages();

struct TPreferencesContext {
  TIniFile* settings = nullptr;
  IFileStore* store = nullptr;
  const ICodePage* codePage = nullptr;
  std::string programFolder;  // ends with a backslash; quill.col lies here
  std::vector<std::string> driveMemory;  // the pane's per-drive folders, for the folder chooser
  std::function<void()> applySettings;   // the main window re-reads its settings
  // Edits one function-key entry; true when confirmed.
  std::function<bool(std::string& entry)> editFunction;
};

class TfPreferences : public TDialog {
public:
  static constexpr int kClientWidth = 452;
  static constexpr int kClientHeight = 418;
  enum TPage : int { pgView, pgOption, pgMisc, pgColor, pgProgram, pgFunction, kPageCount };
  enum TControl : int {
    kTabsId = 100,
    kApplyId,
    kPageFrameId,
    // View
    kFileFontId,
    kTreeFontId,
    kCharCaseGroupId,
    kCharCaseId,  // four radio buttons, tags 0-3
    kViewStyleGroupId = kCharCaseId + 4,
    kViewListId,
    kViewIconStyleId,
    kViewIconId,
    kFocusLabelId,
    kFocusStyleId,
    kColumnLabelId,
    kColumnId,
    kSortLabelId,
    kSortId,
    kAttachExtId,
    kFolderInfoId,
    kLongNameId,
    kShowHiddenId,
    kColLineId,
    kShowFileTypeId,
    kPathCaptionId,
    // Option
    kExtArcPrgId,
    kAutoRefreshId,
    kRemReadId,
    kNoTreeAId,
    kSelDirId,
    kSoundId,
    kSaveLastDirId,
    kStartDirId,
    kStartLabelId,
    kStartId,
    kStartBrowseId,
    // Misc.
    kExplorerMenuId,
    kTreeGroupId,
    kTreeRootId,
    kTreePathLabelId,
    kTreePathId,
    kTreePathBrowseId,
    kShortcutGroupId,
    kShortcutCtrlXId,  // tag 1
    kShortcutCtrlEId,  // tag 0
    kDelBtnGroupId,
    kDelBtnId,  // three radio buttons, tags 0-2
    kEscGroupId = kDelBtnId + 3,
    kEscId,  // four radio buttons, items 0-3
    // Colour
    kBasicColorId = kEscId + 4,
    kExtColorId,
    kAddId,
    kEditExtId,
    kDeleteExtId,
    kOpenSetId,
    kSaveSetId,
    // Program
    kArchiveGroupId,
    kTextGroupId,
    kProgramLabelId,                      // five labels
    kProgramId = kProgramLabelId + 5,     // five edits: ARJ, RAR, ACE, View, Edit
    kProgramBrowseId = kProgramId + 5,    // five "..." buttons, tags 0-4
    // Function Key
    kFunctionHeaderId = kProgramBrowseId + 5,
    kFunctionListId,
    kFunctionNoteId,
    kEditFunctionId,
    kDeleteFunctionId,
  };

  TfPreferences(HWND owner, IQuestions& questions, TPreferencesContext context);
  ~TfPreferences() override;

  // mrOk after OK (the settings written), mrCancel otherwise.
  int ShowModal();

  // What the buttons do, for the window's handlers and for tests.
  void Apply();
  void ShowPage(int page);
  int Page() const { return page_; }
  // The controls' state as it would be written.
  TPreferences Gathered() const;
  const TColorSetForm& ColorSet() const { return colors_; }

private:
  void CreateControls() override;
  void Command(int id, int notification) override;
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  HWND Add(int page, const wchar_t* className, const std::string& text, DWORD style, int id, int x, int y, int width,
           int height, DWORD exStyle = 0);
  HWND Check(int page, int id, const std::string& text, int x, int y, int width);
  HWND Combo(int page, int id, std::initializer_list<const char*> items, int x, int y, int width);
  void SetChecked(int id, bool checked);
  bool Checked(int id) const;
  int Selected(int id) const;
  int CheckedOf(int firstId, int count) const;  // the index of the checked radio button, 0 when none
  void Fill(const TPreferences& prefs);
  void FillExtList();
  void FillFunctionList(int select);
  void UpdateEnabling();
  void SetFontHint(int id, const TFontChoice& font);
  void ChooseFont(int id);
  void BrowseFolder(int editId);
  void BrowseProgram(int tag);
  void BasicColorDoubleClick();
  void OpenColorSet();
  void SaveColorSetAs();
  void EditFunction();
  void DeleteFunction();
  void DrawTab(const DRAWITEMSTRUCT& item);
  void DrawBasicColor(const DRAWITEMSTRUCT& item);
  void DrawExtColor(const DRAWITEMSTRUCT& item);
  void DrawFunction(const DRAWITEMSTRUCT& item);
  void UpdateExtBrush();

  IQuestions& questions_;
  TPreferencesContext context_;
  TPreferences prefs_;  // fonts and function keys live here between Applies; the rest in controls
  TColorSetForm colors_;
  std::vector<std::pair<int, HWND>> pageControls_;
  int page_ = pgView;
  HIMAGELIST images_ = nullptr;
  HWND tips_ = nullptr;
  HBRUSH extBrush_ = nullptr;
};

}  // namespace quill

// TfOrganizeFav ("Organize Favorites"): reorders, renames, repoints, adds and deletes the
// favourites of favorite.dat. The rows live in TOrganizeFavModel and the list control only knows
// how many there are (an owner-drawn list without data), so even a very long file opens at once.
// Every question goes through IQuestions; the file is written only on OK.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "base/CodePage.h"
#include "base/FileStore.h"
#include "messages/Questions.h"
#include "settings/OrganizeFavModel.h"
#include "ui/Dialog.h"

namespace quill {

class TfOrganizeFav : public TDialog {
public:
  static constexpr int kClientWidth = 440;
  static constexpr int kClientHeight = 300;
  enum TControl : int {
    kListBoxId = 100,
    kPanelId,
    kItemId,
    kItemPathId,
    kShortcutId,
    kHelpId,
    kAddId,
    kDeleteId,
    kUpId,
    kDownId,
  };

  // Reads `path` at once; `driveMemory` is the pane's "C:\=C:\Work" lines for the folder chooser.
  TfOrganizeFav(HWND owner, IQuestions& questions, IFileStore& store, const ICodePage& codePage, std::string path,
                std::vector<std::string> driveMemory = {});
  ~TfOrganizeFav() override;

  // mrOk once the rows are written, or mrCancel.
  int ShowModal();
  const TOrganizeFavModel& Model() const { return model_; }

  // What the controls do, callable on their own.
  void SelectRow(int row);
  void RenameClick();      // Item
  void ChangePathClick();  // ItemPath, or a double click on a row
  void AddClick();
  void DeleteClick();
  void UpClick();
  void DownClick();
  // Writes the rows; true when written (an error was shown otherwise).
  bool Confirm();

private:
  void CreateControls() override;
  void Command(int id, int notification) override;
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void ListBoxDrawItem(const DRAWITEMSTRUCT& draw);
  void AddHint(int id, const wchar_t* text);
  // The list's row count and selection, and the details panel, from the model.
  void Refresh(bool countChanged);
  void ShowDetails();
  void RefuseName();

  IQuestions& questions_;
  IFileStore& store_;
  const ICodePage& codePage_;
  std::string path_;
  std::vector<std::string> driveMemory_;
  TOrganizeFavModel model_;
  HWND tips_ = nullptr;
  HFONT boldFont_ = nullptr;
};

}  // namespace quill

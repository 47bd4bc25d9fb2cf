// TfDrive, "Select Drive": a small modal chooser of a drive, a work folder or (through the
// network browser) a share, with refresh, properties, format and the system's map and
// disconnect network drive dialogs.
#pragma once

#include <windows.h>

#include <array>
#include <string>
#include <vector>

#include "base/FileSystem.h"
#include "drivewin/DriveList.h"
#include "drivewin/ToolFrame.h"
#include "messages/Questions.h"

namespace quill {

// Where the window learns about the volumes: the system by default; tests put a stand-in here
// (a drive without a medium, say).
struct TDriveSources {
  IFileSystem* fs = nullptr;
  TDiskSizeFn diskSize;
  static TDriveSources System();
};

class TfDrive : public TToolFrame {
public:
  // The tool bar's commands.
  enum TCommand : int { cmRefresh = 101, cmProperties, cmFormat, cmMapNetwork, cmDisconnect };
  static constexpr int kClientWidth = 300;

  explicit TfDrive(TDriveSources sources = TDriveSources::System());

  // Creates the window, shows it modally and destroys it again. `value` preselects a row and,
  // after OK, holds the choice: a drive letter ("C"), a work folder's path or a share root.
  // `workFolders` may be null.
  int ShowModal(HWND owner, std::string& value, const std::array<std::string, 3>* workFolders,
                const TDialogPlace& place, const std::string& hidden);

  // The state while it is shown.
  const std::vector<TDriveItem>& Items() const { return items_; }
  int Selected() const;
  bool CommandEnabled(TCommand command) const { return TToolFrame::CommandEnabled(command); }

private:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  LRESULT ListMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;

  // Reads the rows again, preselects the value and fits the window's height to them.
  void FillList();
  void FitHeight();
  void SelectRow(int row);
  void SelectionChanged();
  void Choose();
  void ChooseRow(int row);

  void ListBoxDrawItem(const DRAWITEMSTRUCT& item);
  void ListBoxEraseBackground(HDC dc);
  bool ListBoxKeyDown(WPARAM key);
  void ListBoxChar(wchar_t ch);
  void ToolButtonClick(int command);
  void RefreshClick() { FillList(); }
  void PropertiesClick();
  void FormatClick();
  void MapNetworkClick();
  void DisconnectClick();

  TDriveSources sources_;
  std::vector<TDriveItem> items_;
  std::string value_;
  std::string hidden_;
  const std::array<std::string, 3>* workFolders_ = nullptr;
};

// The drive window as the question service's chooser: at `place`, or centred on `owner`.
int ChooseDrive(HWND owner, std::string& value, const std::array<std::string, 3>& workFolders,
                const TDialogPlace& place, const std::string& hidden);

}  // namespace quill

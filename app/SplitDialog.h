// TfSplit ("Split File"): asks where the volumes go and how large they are. Shown modally by
// the main window; the folder chooser behind "..." is asked through the question service.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "messages/Questions.h"
#include "ui/Dialog.h"

namespace quill {

class TfSplit : public TDialog {
public:
  static constexpr int kClientWidth = 386;
  static constexpr int kClientHeight = 151;
  enum TControl : int { kFileNameId = 100, kPathLabelId, kPathId, kBrowseId, kSizeLabelId, kFileSizeId, kLabel3Id };

  // `fileName` and `size` describe the source; `folder` is the proposed destination; the
  // folder chooser opens on `drive` with the pane's per-drive folders.
  TfSplit(HWND owner, IQuestions& questions, const std::string& fileName, uint64_t size, const std::string& folder,
          const std::string& drive, std::vector<std::string> driveMemory);

  // mrOk or mrCancel.
  int ShowModal();
  std::string Path() const { return Text(kPathId); }
  std::string SizeText() const { return Text(kFileSizeId); }
  // What "..." does: the chosen folder replaces the path; cancelling leaves it.
  void Browse();

private:
  void CreateControls() override;
  void Command(int id, int notification) override;
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  IQuestions& questions_;
  std::string fileName_;
  uint64_t size_;
  std::string folder_;
  std::string drive_;
  std::vector<std::string> driveMemory_;
};

}  // namespace quill

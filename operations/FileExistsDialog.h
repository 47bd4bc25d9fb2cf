// TfFileExists, "Confirm Replace file": asked by the engine when a target name already exists.
// Shows what is there and what comes, offers Overwrite, Skip, Rename (through the input dialog)
// and Cancel, and with All the same answer for later conflicts.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "operations/OperationDialog.h"

namespace quill {

class TfFileExists : public TOperationDialog {
public:
  static constexpr int kClientWidth = 402;
  static constexpr int kClientHeight = 160;
  enum TControl : int {
    kQuestionIconId = 100,
    kFileNameId,
    kOriginCaptionId,
    kOriginId,
    kOriginIconId,
    kNewCaptionId,
    kNewId,
    kNewIconId,
    kFolderOverId,
    kAllId,
  };
  // The buttons' ids are their modal results.
  static constexpr int kOverwriteId = IDYES;
  static constexpr int kSkipId = IDNO;
  static constexpr int kRenameId = IDRETRY;
  static constexpr int kCancelId = IDCANCEL;

  explicit TfFileExists(HWND owner);
  ~TfFileExists() override;

  // Fills the dialog for one conflict: `source` comes (an archive entry's path with
  // `archiveEntry`), `destination` is there. With `writtenByThisRun` the destination is what the
  // same operation wrote from another item: it says so, and Overwrite and All are not offered.
  void Prepare(const std::string& source, const std::string& destination, bool archiveEntry,
               bool writtenByThisRun = false);
  // Shows the dialog modally; the modal result (2 when it is closed).
  int Run();
  bool AllChecked() const;
  // The existing target's path; after Rename, the new target path.
  const std::string& TargetPath() const { return targetPath_; }
  const std::string& NewPath() const { return newPath_; }

private:
  void CreateControls() override;
  void Command(int id, int notification) override;
  void RenameClick();
  void SetQuestion(const std::string& text);
  void SetIcon(int id, HICON& slot, const std::string& path, bool onDisk);

  std::string targetPath_;
  std::string newPath_;
  HICON originIcon_ = nullptr;
  HICON newIcon_ = nullptr;
};

// The replace confirmation over `owner`. `destination` is the existing target's path and, after
// a rename, the new one. With `archiveEntry` the source is an entry of an archive and Rename is
// not offered. Returns the answer flags of operations/Progress.h; closing the dialog cancels.
uint32_t AskFileExists(HWND owner, const std::string& source, std::string& destination, bool archiveEntry,
                       bool writtenByThisRun = false);

}  // namespace quill

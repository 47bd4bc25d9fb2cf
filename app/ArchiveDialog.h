// TfArchive, the dialog of Add to Archive and Move to Archive, and TfArcProp, the totals of
// the archive shown in the pane. Both are shown modally by the main window; TfArchive asks its
// questions (the password again, the archive to add to) through the question service.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "base/IniFile.h"
#include "messages/Questions.h"
#include "ui/Dialog.h"

namespace quill {

class TfArchive : public TDialog {
public:
  static constexpr int kClientWidth = 360;
  static constexpr int kClientHeight = 187;
  enum TControl : int {
    kFileNameLabelId = 100, kFileNameId, kBrowseId, kOptionsId, kFormatLabelId, kFormatId, kCompressionLabelId,
    kCompressionId, kVolumeLabelId, kVolumeId, kPasswordLabelId, kPasswordId, kRecursiveId, kStartId, kHelpId
  };
  static constexpr const char* kBrowseFilter =
      "ZIP file(*.zip)|*.zip|ARJ file(*.arj)|*.arj|RAR file(*.rar)|*.rar|ACE file(*.ace)|*.ace|All(*.*)|*.*";

  // `folder` is the pane's folder, where a name without one lies. Format and Compression come
  // preselected from section Archive of `settings`, which every close writes back.
  TfArchive(HWND owner, IQuestions& questions, TIniFile& settings, const std::string& caption,
            const std::string& folder);
  ~TfArchive() override;

  // mrOk or mrCancel.
  int ShowModal();

  std::string FileName() const { return Text(kFileNameId); }
  void SetFileName(const std::string& name) { SetText(kFileNameId, name); }
  int Format() const;
  int Compression() const;
  std::string VolumeText() const { return Text(kVolumeId); }
  std::string Password() const { return Text(kPasswordId); }
  bool Recursive() const;
  void SetRecursive(bool recursive);

  // What Start does: the name checked, a password confirmed; true when the dialog may close.
  bool Start();
  // What "..." does: a chosen archive replaces the name; cancelling leaves it.
  void Browse();
  // Volume follows Format: only the command-line archivers split into volumes.
  void FormatChanged();

private:
  void CreateControls() override;
  void Command(int id, int notification) override;
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void SaveChoices();

  IQuestions& questions_;
  TIniFile& settings_;
  std::string folder_;
  HICON helpIcon_ = nullptr;
};

// The figures TfArcProp shows.
struct TArchiveTotals {
  std::string fileName;
  int count = 0;
  uint64_t original = 0;
  uint64_t packed = 0;
  int ratio = 0;  // packed as a percentage of original
};

class TfArcProp : public TDialog {
public:
  static constexpr int kClientWidth = 247;
  static constexpr int kClientHeight = 168;
  enum TControl : int {
    kIconId = 100, kFileNameId, kPropertiesId, kCountLabelId, kCountId, kOriginalLabelId, kOriginalSizeId,
    kPackedLabelId, kPackedSizeId, kRatioId, kRatioTextId
  };

  TfArcProp(HWND owner, const TArchiveTotals& totals);
  ~TfArcProp() override;
  int ShowModal();

private:
  void CreateControls() override;
  void Command(int id, int notification) override;
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  TArchiveTotals totals_;
  HICON icon_ = nullptr;
};

}  // namespace quill

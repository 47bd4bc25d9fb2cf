// TfAttrib, "Attributes/Time": the four classic attributes or the three time stamps of one entry
// at a time, for the Attributes/Time command's loop (operations/AttribRun.h). The End key
// anywhere in the dialog answers All.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "operations/AttribRun.h"
#include "operations/OperationDialog.h"

namespace quill {

class TfAttrib : public TOperationDialog, public IAttribAsker {
public:
  static constexpr int kClientWidth = 300;
  static constexpr int kClientHeight = 206;
  enum TControl : int {
    kFileNameId = 100,
    kAttributesGroupId,
    kArchiveId,
    kReadonlyId,
    kHiddenId,
    kSystemId,
    kTimeGroupId,
    kApplyDateTimeId,
    kDateCaptionId,
    kDateId,
    kTimeCaptionId,
    kTimeId,
    kRecurseId,
  };
  static constexpr int kOkId = IDOK;
  static constexpr int kCancelId = IDCANCEL;
  static constexpr int kAllId = 8;

  explicit TfAttrib(HWND owner);

  uint32_t GetAttributes() const;
  void SetAttributes(uint32_t attributes);
  // Date and Time from a UTC file time, in local time.
  void SetTime(uint64_t fileTime);
  // The two edits as a UTC file time; nothing when they name a time that does not exist.
  std::optional<uint64_t> GetTime() const;
  // What the boxes hold now.
  TAttribValues Values() const;

  int Ask(const TFile& file, int position, int count, TAttribValues& values) override;

private:
  void CreateControls() override;
  void Command(int id, int notification) override;
  void ApplyDateTimeChanged();
  bool Checked(int id) const;
  void Check(int id, bool checked);
  // OK and All close only on a time that exists (when the time is to be changed).
  void Close(int result);
  static LRESULT CALLBACK ChildProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                    DWORD_PTR self);
  LRESULT MaskedKey(HWND edit, UINT message, WPARAM wParam, bool& handled);
};

// The text shown when the date or time does not exist.
extern const char* const kTextNoSuchTime;

}  // namespace quill

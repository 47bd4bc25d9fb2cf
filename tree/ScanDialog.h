// TfScan, "Scanning...": the small window that stands over the tree window while a drive or a
// folder is read from disk. It counts the folders, names the one being entered and offers
// Cancel (the button or Esc), which the scan sees at its next folder.
#pragma once

#include <windows.h>

#include <string>

#include "platform/Handle.h"
#include "ui/Window.h"

namespace quill {

class TfScan : public TWindow {
public:
  enum TControl : int { kCountId = 100, kFolderNameId, kCancelId = IDCANCEL };
  static constexpr int kClientWidth = 380;
  static constexpr int kClientHeight = 128;

  TfScan() = default;
  ~TfScan() override;

  // Creates the window centred on `owner` and shows it (not modal), the counter at 0.
  bool Create(HWND owner);
  // One more folder: the counter and the folder's name. The labels follow at most every 50 ms
  // (and on the first folder), since a fast disk enters thousands of folders a second.
  void Scanned(const std::string& folder);
  // Lets the window (and the rest of the thread's windows) paint and take input: the scan calls
  // it between folders. At most every 30 ms of real work; a WM_QUIT is posted again.
  void Pump();
  // Hides and destroys the window.
  void Close();

  int Count() const { return count_; }
  bool Cancelled() const { return cancelled_; }
  void Cancel() { cancelled_ = true; }
  std::string CountText() const;
  std::string FolderText() const;

private:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void CreateControls();
  void ShowTexts();
  void PaintHeader(HDC dc);

  TFontHandle font_;
  TFontHandle headerFont_;
  int count_ = 0;
  std::string folder_;
  bool cancelled_ = false;
  DWORD lastShown_ = 0;
  DWORD lastPumped_ = 0;
};

}  // namespace quill

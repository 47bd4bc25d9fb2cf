// TCustomFileView: the model side of the pane. It owns the entry list, the focus and the
// selection totals; the window that draws it (TFileViewWindow) attaches as its host. Portable.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "fileview/File.h"

namespace quill {

// What the model asks of the window showing it.
class IFileViewHost {
public:
  virtual ~IFileViewHost() = default;
  virtual void Invalidate() = 0;   // repaint everything
  virtual void HideNameTip() = 0;  // the name tooltip must go (folder change, scroll, ...)
};

class TCustomFileView {
public:
  TCustomFileView();
  virtual ~TCustomFileView() = default;
  TCustomFileView(const TCustomFileView&) = delete;
  TCustomFileView& operator=(const TCustomFileView&) = delete;

  TFiles& Files() { return files_; }
  const TFiles& Files() const { return files_; }
  void SetHost(IFileViewHost* host) { host_ = host; }

  // The focused entry's position, -1 for none. Setting it clamps into the list.
  int ItemIndex() const { return itemIndex_; }
  void SetItemIndex(int index);
  TFile* FocusedFile() const { return files_.Items(itemIndex_); }

  int SelCount() const { return selCount_; }
  uint64_t SelSize() const { return selSize_; }
  void ResetSelectionTotals() { selCount_ = 0; selSize_ = 0; }
  // Refuses drive entries, the parent entry and entries already selected. Neither repaints.
  void Select(int index);
  void Deselect(int index);

  const std::string& Title() const { return title_; }
  void SetTitle(std::string title);

  std::function<void()> OnChange;       // focus moved
  std::function<void()> OnFilesChange;  // the list changed

  void Invalidate() { if (host_) host_->Invalidate(); }
  void HideNameTip() { if (host_) host_->HideNameTip(); }

protected:
  // The list's OnChange: recount the selection, redraw, tell the owner.
  virtual void FilesChange();
  virtual void SelectionChanged() {}

private:
  TFiles files_;
  IFileViewHost* host_ = nullptr;
  int itemIndex_ = -1;
  int selCount_ = 0;
  uint64_t selSize_ = 0;
  std::string title_;
};

}  // namespace quill

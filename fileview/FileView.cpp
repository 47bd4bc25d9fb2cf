#include "fileview/FileView.h"

namespace quill {

TCustomFileView::TCustomFileView() {
  files_.OnChange = [this](TFiles&) { FilesChange(); };
}

void TCustomFileView::SetItemIndex(int index) {
  if (files_.Count() == 0) index = -1;
  else if (index < 0) index = 0;
  else if (index >= files_.Count()) index = files_.Count() - 1;
  if (index == itemIndex_) return;
  itemIndex_ = index;
  Invalidate();
  if (OnChange) OnChange();
}

void TCustomFileView::Select(int index) {
  TFile* f = files_.Items(index);
  if (!f || f->Selected || f->IsDrive() || f->IsParent()) return;
  f->Selected = true;
  ++selCount_;
  selSize_ += f->Size;
  SelectionChanged();
}

void TCustomFileView::Deselect(int index) {
  TFile* f = files_.Items(index);
  if (!f || !f->Selected) return;
  f->Selected = false;
  --selCount_;
  selSize_ -= f->Size;
  SelectionChanged();
}

void TCustomFileView::SetTitle(std::string title) {
  title_ = std::move(title);
  Invalidate();
}

void TCustomFileView::FilesChange() {
  selCount_ = 0;
  selSize_ = 0;
  for (int i = 0; i < files_.Count(); ++i) {
    const TFile* f = files_.Items(i);
    if (f->Selected) {
      ++selCount_;
      selSize_ += f->Size;
    }
  }
  if (itemIndex_ >= files_.Count()) itemIndex_ = files_.Count() - 1;
  Invalidate();
  if (OnFilesChange) OnFilesChange();
}

}  // namespace quill

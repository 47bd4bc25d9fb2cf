#include "fileview/FileView.h"

#include <algorithm>

#include "base/Text.h"

namespace quill {

TDragSelectStep DragSelectStep(int anchor, int last, int now) {
  const int k = anchor, l = last, a = now;
  TDragSelectStep step;
  if (a > k) {
    if (l < k) {
      step.DeselectFrom = l, step.DeselectTo = k - 1;
      step.SelectFrom = k + 1, step.SelectTo = a;
    } else if (a < l) {
      step.DeselectFrom = a + 1, step.DeselectTo = l;
    } else {
      step.SelectFrom = l + 1, step.SelectTo = a;
    }
  } else {
    if (k < l) {
      step.DeselectFrom = k + 1, step.DeselectTo = l;
      step.SelectFrom = a, step.SelectTo = k - 1;
    } else if (l < a) {
      step.DeselectFrom = l, step.DeselectTo = a - 1;
    } else {
      step.SelectFrom = a, step.SelectTo = l - 1;
    }
  }
  // Empty ranges in one form, so callers and tests need not care how they came out.
  if (step.DeselectFrom > step.DeselectTo) step.DeselectFrom = 0, step.DeselectTo = -1;
  if (step.SelectFrom > step.SelectTo) step.SelectFrom = 0, step.SelectTo = -1;
  return step;
}

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
  DoChange();
}

void TCustomFileView::SetFocused(int index) {
  if (index == itemIndex_ || index < 0 || index >= files_.Count()) return;
  itemIndex_ = index;
  if (files_.Updating()) return;
  // The window repaints the two cells, or the whole page when the focus left it.
  Invalidate();
  DoChange();
}

void TCustomFileView::SetItemFocused(const TFile* file) {
  if (file) SetFocused(file->Index);
}

void TCustomFileView::DoChange() {
  if (host_) host_->FocusChanged();
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

void TCustomFileView::ToggleSelected(int index) {
  const TFile* f = files_.Items(index);
  if (!f) return;
  if (f->Selected) Deselect(index);
  else Select(index);
  if (host_) host_->InvalidateItem(index);
}

void TCustomFileView::SelectRange(int from, int to) {
  if (from > to) std::swap(from, to);
  for (int i = std::max(from, 0); i <= to && i < files_.Count(); ++i) Select(i);
}

void TCustomFileView::SelectAll(bool withFolders) {
  for (int i = 0; i < files_.Count(); ++i) {
    TFile* f = files_.Items(i);
    if (f->Selected || f->IsDrive() || f->IsParent() || (f->IsFolder() && !withFolders)) continue;
    f->Selected = true;
    ++selCount_;
    selSize_ += f->Size;
  }
  SelectionChanged();
  Invalidate();
}

void TCustomFileView::DeselectAll(bool withFolders) {
  selCount_ = 0;
  selSize_ = 0;
  for (int i = 0; i < files_.Count(); ++i) {
    TFile* f = files_.Items(i);
    if (!f->IsDrive() && (withFolders || !f->IsFolder())) f->Selected = false;
    if (f->Selected) {
      ++selCount_;
      selSize_ += f->Size;
    }
  }
  SelectionChanged();
  Invalidate();
}

void TCustomFileView::InvertSelection() {
  for (int i = 0; i < files_.Count(); ++i) {
    if (files_.Items(i)->Selected) Deselect(i);
    else Select(i);
  }
  Invalidate();
}

void TCustomFileView::SelectGroup(std::string_view masks, bool select) {
  for (const std::string& item : Split(masks, ';')) {
    const std::string mask = Trim(item);
    if (mask.empty()) continue;
    for (int i = 0; i < files_.Count(); ++i) {
      const TFile* f = files_.Items(i);
      if (!f->IsFile() || !MatchesMask(mask, f->FullName())) continue;
      if (select) Select(i);
      else Deselect(i);
    }
  }
  Invalidate();
}

void TCustomFileView::SelectSameExt() {
  const TFile* focused = FocusedFile();
  if (!focused || !focused->IsFile()) return;
  const std::string ext = focused->Ext();
  // Every entry kind is compared, folders included (their extension is empty); Select refuses
  // the parent entry and the drive entries.
  for (int i = 0; i < files_.Count(); ++i)
    if (files_.Collator().SameName(files_.Items(i)->Ext(), ext)) Select(i);
  Invalidate();
}

// ---- quick search ----

void TCustomFileView::DoFindChange(std::string text) {
  findText_ = std::move(text);
  if (OnFindChange) OnFindChange(findText_);
}

bool TCustomFileView::StartsWithText(const TFile& file, std::string_view text) const {
  const std::string name = file.FullName();
  return files_.Collator().SameName(CodePointPrefix(name, CodePointCount(text)), text);
}

int TCustomFileView::FindFrom(std::string_view text, int from, int to) const {
  to = std::min(to, files_.Count());
  for (int i = std::max(from, 0); i < to; ++i)
    if (StartsWithText(*files_.Items(i), text)) return i;
  return -1;
}

namespace {
bool Searchable(char32_t ch) {
  if (ch >= 33 && ch <= 126) {
    for (const char bad : std::string_view("\\/:*?\"<>|"))
      if (ch == static_cast<char32_t>(bad)) return false;
    return true;
  }
  // Anything a keyboard or input method types beyond ASCII, except the C1 controls.
  return ch >= 0xA0 && ch <= 0x10FFFF && !(ch >= 0xD800 && ch <= 0xDFFF);
}
}  // namespace

bool TCustomFileView::SearchChar(char32_t ch, bool capsLock) {
  // Without Caps Lock an upper-case letter comes only with Shift, which is a shortcut.
  if (!capsLock && ch >= 'A' && ch <= 'Z') return true;
  if (!Searchable(ch)) {
    if (ch == '\r') return true;
    if (ch == '\b' && !findText_.empty()) {
      std::string text = findText_;
      DropLastCodePoint(text);
      // Searched again like a typed text; an emptied text matches the first entry.
      findText_ = text;
      QuickSearch(text);
      return true;
    }
    if (!findText_.empty()) DoFindChange({});
    return false;
  }
  std::string typed;
  AppendUtf8(typed, ch);
  if (ch != '.' || !findText_.empty()) findText_ += typed;
  QuickSearch(typed);
  return true;
}

void TCustomFileView::QuickSearch(std::string_view typed) {
  std::string text = findText_;
  const int count = files_.Count();
  int found = text.empty() ? (count > 0 ? 0 : -1) : FindFrom(text, 0, count);
  if (found < 0 && text.size() > typed.size() && !typed.empty()) {
    text.assign(typed);
    const int focus = itemIndex_;
    found = FindFrom(text, focus + 1, count);
    if (found < 0) found = FindFrom(text, 0, focus);
  }
  if (found >= 0) SetFocused(found);
  else text.clear();
  DoFindChange(std::move(text));
}

void TCustomFileView::FindNext() {
  if (findText_.empty()) return;
  const int focus = itemIndex_;
  int found = FindFrom(findText_, focus + 1, files_.Count());
  if (found < 0) found = FindFrom(findText_, 0, focus);
  if (found >= 0) {
    SetFocused(found);
    DoFindChange(findText_);
  } else {
    DoFindChange({});
  }
}

void TCustomFileView::SetTitle(std::string title) {
  title_ = std::move(title);
  if (host_) host_->InvalidateTitle();
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

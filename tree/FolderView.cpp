#include "tree/FolderView.h"

#include <algorithm>

#include "base/Path.h"
#include "base/Text.h"
#include "platform/Utf16.h"
#include "platform/Win32Text.h"

namespace quill {

namespace {

constexpr WPARAM kBackslashKey = 220;

bool AltHeld() { return GetKeyState(VK_MENU) < 0; }
bool ShiftHeld() { return GetKeyState(VK_SHIFT) < 0; }
bool CtrlHeld() { return GetKeyState(VK_CONTROL) < 0; }

// Case-insensitive "starts with", by the file system's ordinal rule.
bool StartsWithText(const std::string& name, const std::wstring& prefix) {
  const std::wstring wide = Widen(name);
  if (wide.size() < prefix.size()) return false;
  return CompareStringOrdinal(wide.c_str(), static_cast<int>(prefix.size()), prefix.c_str(),
                              static_cast<int>(prefix.size()), TRUE) == CSTR_EQUAL;
}

std::string Utf8Of(char32_t ch) {
  std::string out;
  if (ch < 0x80) {
    out += static_cast<char>(ch);
  } else if (ch < 0x800) {
    out += static_cast<char>(0xC0 | (ch >> 6));
    out += static_cast<char>(0x80 | (ch & 0x3F));
  } else if (ch < 0x10000) {
    out += static_cast<char>(0xE0 | (ch >> 12));
    out += static_cast<char>(0x80 | ((ch >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (ch & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (ch >> 18));
    out += static_cast<char>(0x80 | ((ch >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((ch >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (ch & 0x3F));
  }
  return out;
}

// The text without its last whole character (a multi-byte sequence goes at once).
std::string WithoutLastCharacter(const std::string& text) {
  size_t end = text.size();
  if (end == 0) return text;
  --end;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return text.substr(0, end);
}

// Walks over shown items: from a shown item, a collapsed folder's children are the only ones
// skipped, so no ancestor needs to be looked at (the list's own walks test each candidate's
// ancestors, which a tree of 100,000 folders cannot afford on every key).
TTreeItem* AfterSubtree(const TTreeItem* item) {
  while (item && !item->NextSibling) item = item->Parent;
  return item ? item->NextSibling : nullptr;
}

TTreeItem* NextShown(const TTreeItem* item) {
  if (item->Expanded && item->FirstChild) return item->FirstChild;
  return AfterSubtree(item);
}

TTreeItem* PrevShown(const TTreeItem* item) {
  TTreeItem* prev = item->PrevSibling();
  if (!prev) return item->Parent;
  while (prev->Expanded && prev->FirstChild) prev = prev->LastChild();
  return prev;
}

// The next shown item at `level` after `item` (which lies at that level), entering only folders
// above that level: what lies deeper cannot be at it.
TTreeItem* NextShownAtLevel(const TTreeItem* item, int level) {
  TTreeItem* next = AfterSubtree(item);
  while (next && next->Level != level) {
    if (next->Level < level && next->Expanded && next->FirstChild) next = next->FirstChild;
    else next = AfterSubtree(next);
  }
  return next;
}

TTreeItem* PrevShownAtLevel(const TTreeItem* item, int level) {
  const TTreeItem* current = item;
  for (;;) {
    TTreeItem* prev = current->PrevSibling();
    if (prev) {
      while (prev->Level < level && prev->Expanded && prev->FirstChild) prev = prev->LastChild();
      if (prev->Level == level) return prev;
      current = prev;
    } else {
      current = current->Parent;
      if (!current) return nullptr;
      if (current->Level == level) return const_cast<TTreeItem*>(current);
    }
  }
}

bool SameBar(const SCROLLINFO& a, const SCROLLINFO& b) {
  return a.cbSize == b.cbSize && a.nMin == b.nMin && a.nMax == b.nMax && a.nPage == b.nPage && a.nPos == b.nPos;
}

}  // namespace

TTreeItem* NextShownItem(const TTreeItem* item) { return NextShown(item); }

TCustomFolderView::TCustomFolderView()
    : items_(std::make_unique<TTreeItems>(this, TWin32Collator::Instance())) {
  items_->OnChange = [this](TTreeItems*) { ItemsChanged(); };
}

TCustomFolderView::~TCustomFolderView() {
  items_->OnChange = nullptr;
  if (images_) ImageList_Destroy(images_);
  ReleaseBackBuffer();
}

bool TCustomFolderView::Create(HWND parent) {
  if (!CreateHandle(L"QuillFolderView", WS_CHILD | WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | WS_CLIPSIBLINGS,
                    WS_EX_CLIENTEDGE, L"", 0, 0, 350, 350, parent))
    return false;
  if (!font_.Get()) SetViewFont("MS Sans Serif", 9);
  SetHorizontalBar();
  SetVerticalBar();
  return true;
}

void TCustomFolderView::SetViewFont(const std::string& face, int points) {
  fontPoints_ = points > 0 ? points : 9;
  HDC screen = GetDC(nullptr);
  const int height = -MulDiv(fontPoints_, GetDeviceCaps(screen, LOGPIXELSY), 72);
  ReleaseDC(nullptr, screen);
  font_.Reset(CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                          CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, Widen(face).c_str()));
  if (Handle()) Redraw();
}

std::string TCustomFolderView::GetRootName() const {
  if (!items_->Root) return {};
  const std::string drive = DrivePart(items_->Root->Name);
  return drive.empty() ? items_->Root->Name : drive;
}

std::string TCustomFolderView::OpenFolderOf(const std::string& drive) const {
  if (drive.empty()) return {};
  const std::string prefix = DriveRoot(drive) + "=";
  for (const std::string& line : OpenFolders)
    if (line.size() > prefix.size() && SameTextAscii(line.substr(0, prefix.size()), prefix))
      return line.substr(prefix.size());
  return {};
}

// Rows: an item at a level not deeper than the one before it starts a new row, so a first
// child stays on its parent's row. The top row keeps its number; the top item is found again,
// since the one it was may have gone or been hidden.
void TCustomFolderView::ItemsChanged() {
  TTreeItem* root = items_->Root;
  if (!root) {
    const bool hadFocus = focused_ != nullptr;
    focused_ = topItem_ = lastVisible_ = nullptr;
    maxLevel_ = 0;
    Redraw();
    if (hadFocus && OnChange) OnChange();
    return;
  }
  root->Row = 0;
  int row = 0;
  int previousLevel = 0;
  int maxLevel = 0;
  TTreeItem* last = root;
  // The top row keeps its number when it still exists; its first item is found on the way.
  CalculateParams();
  const int wantedTop = scrollOrigin_.y;
  TTreeItem* top = root;
  for (TTreeItem* item = NextShown(root); item; item = NextShown(item)) {
    if (item->Level <= previousLevel) ++row;
    item->Row = row;
    if (row <= wantedTop && item->Level <= previousLevel) top = item;
    previousLevel = item->Level;
    maxLevel = std::max(maxLevel, static_cast<int>(item->Level));
    last = item;
  }
  maxLevel_ = maxLevel;
  lastVisible_ = last;
  const int lastTop = std::max(0, static_cast<int>(lastVisible_->Row) - visibleRows_ + 1);
  topItem_ = top->Row > lastTop ? FirstOnRowBefore(top, lastTop) : top;
  scrollOrigin_.y = topItem_->Row;
  UpdateScrollRange();
  Paint();
}

void TCustomFolderView::CalculateParams() {
  if (!Handle()) return;
  HDC dc = GetDC(Handle());
  {
    TSelectObject font(dc, font_.Get());
    SIZE size{};
    GetTextExtentPoint32W(dc, L"Ag", 2, &size);
    itemHeight_ = std::max(16, static_cast<int>(size.cy) + 4);
  }
  ReleaseDC(Handle(), dc);
  columnWidth_ = fontPoints_ * 10 + 20;
  nameWidth_ = columnWidth_ - 12;
  rootWidth_ = TextWidth(GetRootName()) + 36;
  if (rootWidth_ == 36) rootWidth_ = 50;
  RECT client{};
  GetClientRect(Handle(), &client);
  visibleRows_ = client.bottom / itemHeight_;
  visibleColumns_ = std::max(0, static_cast<int>(client.right - rootWidth_)) / columnWidth_;
}

void TCustomFolderView::UpdateScrollRange() {
  if (!items_->Root || items_->IsUpdating() || !lastVisible_) return;
  SetHorizontalBar();
  verticalMax_ = lastVisible_->Row;
  SetVerticalBar();
}

void TCustomFolderView::SetHorizontalBar() {
  if (!Handle()) return;
  SCROLLINFO info{sizeof info, SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL};
  const bool needed = items_->Root && visibleColumns_ < maxLevel_;
  info.nMin = 0;
  info.nMax = needed ? maxLevel_ - visibleColumns_ : 0;
  info.nPage = 1;
  info.nPos = needed ? scrollOrigin_.x : 0;
  if (SameBar(info, lastHorizontal_)) return;
  lastHorizontal_ = info;
  SetScrollInfo(Handle(), SB_HORZ, &info, TRUE);
  if (!needed) EnableScrollBar(Handle(), SB_HORZ, ESB_DISABLE_BOTH);
}

void TCustomFolderView::SetVerticalBar() {
  if (!Handle()) return;
  SCROLLINFO info{sizeof info, SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL};
  const bool needed = items_->Root && lastVisible_ && visibleRows_ < lastVisible_->Row;
  info.nMin = 0;
  info.nMax = needed ? verticalMax_ : 0;
  info.nPage = needed ? visibleRows_ : 0;
  info.nPos = needed ? scrollOrigin_.y : 0;
  if (SameBar(info, lastVertical_)) return;
  lastVertical_ = info;
  SetScrollInfo(Handle(), SB_VERT, &info, TRUE);
  if (!needed) EnableScrollBar(Handle(), SB_VERT, ESB_DISABLE_BOTH);
}

void TCustomFolderView::Redraw() {
  CalculateParams();
  UpdateScrollRange();
  Paint();
}

POINT TCustomFolderView::GetItemPos(const TTreeItem* item) const {
  POINT p{0, 0};
  if (!item) return p;
  if (scrollOrigin_.x <= 0) p.x = item->Level == 0 ? 0 : (item->Level - 1) * columnWidth_ + rootWidth_;
  else p.x = item->Level == 0 ? 12 - rootWidth_ : (item->Level - scrollOrigin_.x) * columnWidth_ + 12;
  p.y = (item->Row - scrollOrigin_.y) * itemHeight_;
  return p;
}

int TCustomFolderView::ColumnStart(const TTreeItem* item) const {
  if (item->Level == 0) return GetItemPos(item).x;
  if (scrollOrigin_.x <= 0) return (item->Level - 1) * columnWidth_ + rootWidth_;
  return (item->Level - scrollOrigin_.x) * columnWidth_ + 10;
}

TTreeItem* TCustomFolderView::FirstOnRow(int row) const {
  if (!items_->Root) return nullptr;
  TTreeItem* item = topItem_ ? topItem_ : items_->Root;
  if (item->Row >= row) return FirstOnRowBefore(item, row);
  while (item && item->Row < row) item = NextShown(item);
  return item;
}

TTreeItem* TCustomFolderView::FirstOnRowBefore(TTreeItem* item, int row) const {
  // Backwards to the first item of the row: the one after the last item of the row above.
  for (;;) {
    TTreeItem* prev = PrevShown(item);
    if (!prev || prev->Row < row) return item;
    item = prev;
  }
}

TTreeItem* TCustomFolderView::GetItemAt(int x, int y) const {
  if (!topItem_ || itemHeight_ == 0 || y < 0) return nullptr;
  const int row = scrollOrigin_.y + y / itemHeight_;
  if (scrollOrigin_.x <= 0 && row == 0 && x > 5 && x < 32) return items_->Root;
  for (TTreeItem* item = topItem_; item && item->Row <= row; item = NextShown(item)) {
    if (item->Row != row) continue;
    for (TTreeItem* c = item; c; c = c->Expanded ? c->FirstChild : nullptr) {
      const int cx = ColumnStart(c);
      const int width = TextWidth(ItemText(c));
      const bool narrow = !c->HasChildren() || !c->Expanded || width <= nameWidth_;
      int right = narrow ? cx + width + 19 : cx + nameWidth_;
      // A name just short of its column's width would reach over the next column's plus/minus
      // box, which the press must toggle.
      if (c->Expanded && c->FirstChild) right = std::min(right, cx + nameWidth_ - 1);
      if (cx <= x && x <= right) return c->IsVisible() ? c : nullptr;
    }
    return nullptr;
  }
  return nullptr;
}

TTreeItem* TCustomFolderView::GetButtonAt(int x, int y) const {
  if (!topItem_ || itemHeight_ == 0 || y < 0) return nullptr;
  const int row = scrollOrigin_.y + y / itemHeight_;
  for (TTreeItem* item = topItem_; item && item->Row <= row; item = NextShown(item)) {
    if (item->Row != row) continue;
    for (TTreeItem* c = item; c; c = c->Expanded ? c->FirstChild : nullptr) {
      if (c->Level == 0 || !c->HasChildren()) continue;
      const int d = ColumnStart(c);
      if (d - 12 <= x && x <= d - 3) return c;
    }
    return nullptr;
  }
  return nullptr;
}

void TCustomFolderView::SetFocused(TTreeItem* item) {
  if (!items_->Root) {
    focused_ = topItem_ = nullptr;
    if (OnChange) OnChange();
    return;
  }
  if (!item || item == focused_) return;
  focused_ = item;
  if (!item->IsVisible()) item->ExpandParents();
  AlignFocused(amCenter);
  scrollOrigin_.x = std::max(0, item->Level - visibleColumns_);
  SetHorizontalBar();
  Paint();
  if (OnChange) OnChange();
}

void TCustomFolderView::AlignFocused(TAlignMode mode) {
  TTreeItem* root = items_->Root;
  if (!root || !focused_) return;
  TTreeItem* top = root;
  switch (mode) {
    case amTop:
      top = focused_;
      while (top->Parent && top->Parent->Row == top->Row) top = top->Parent;
      break;
    case amCenter:
      if (focused_->Row > visibleRows_ - 1) top = FirstOnRowBefore(focused_, focused_->Row - visibleRows_ / 2);
      break;
    case amBottom:
      if (focused_->Row >= visibleRows_) top = FirstOnRowBefore(focused_, focused_->Row - visibleRows_ + 1);
      break;
  }
  topItem_ = top ? top : root;
  scrollOrigin_.y = topItem_->Row;
  SetVerticalBar();
}

void TCustomFolderView::ResetView() {
  focused_ = topItem_ = lastVisible_ = nullptr;
  scrollOrigin_ = {0, 0};
}

void TCustomFolderView::MoveFocusOutOf(const TTreeItem* subtree, TTreeItem* replacement) {
  if (focused_ && (focused_ == subtree || focused_->IsDescendantOf(subtree))) focused_ = replacement;
  if (topItem_ && (topItem_ == subtree || topItem_->IsDescendantOf(subtree))) topItem_ = nullptr;
}

// Quick search.

TTreeItem* TCustomFolderView::QuickSearch(const std::string& text, bool fromCurrent) const {
  TTreeItem* root = items_->Root;
  if (!root || !focused_) return nullptr;
  const std::wstring prefix = Widen(text);
  TTreeItem* start = fromCurrent ? focused_ : (focused_ == items_->Last ? root : NextShown(focused_));
  for (TTreeItem* item = start; item; item = NextShown(item))
    if (StartsWithText(item->Name, prefix)) return item;
  if (focused_ != root && (fromCurrent || focused_ != items_->Last))
    for (TTreeItem* item = root; item && item != focused_; item = NextShown(item))
      if (StartsWithText(item->Name, prefix)) return item;
  return nullptr;
}

void TCustomFolderView::FindNext() {
  if (findText_.empty()) return;
  TTreeItem* found = QuickSearch(findText_, false);
  if (found) SetFocused(found);
  else DoFindChange("");
}

void TCustomFolderView::DoFindChange(const std::string& text) {
  findText_ = text;
  if (OnFindChange) OnFindChange(text);
}

void TCustomFolderView::TypeChar(char32_t ch) {
  // Shift+letter switches drives in the window; with Caps Lock on, capitals are typed text.
  if (ch >= 'A' && ch <= 'Z' && !(GetKeyState(VK_CAPITAL) & 1)) return;
  if (ch == '\r') return;
  const bool valid = ch == ' ' || ch == 8 ||
                     (ch >= 33 && ch <= 126 && std::string_view("\\/:*?<>|\"").find(static_cast<char>(ch)) ==
                                                   std::string_view::npos) ||
                     ch >= 0x80;
  if (!valid) {
    DoFindChange("");
    return;
  }
  std::string text;
  std::string input;
  if (ch == 8) {
    text = WithoutLastCharacter(findText_);
    if (text.empty()) {
      DoFindChange("");
      return;
    }
  } else {
    input = Utf8Of(ch);
    text = findText_ + input;
  }
  TTreeItem* found = QuickSearch(text, true);
  if (!found && !input.empty() && text.size() > input.size()) {
    text = input;
    found = QuickSearch(text, false);
  }
  if (found) SetFocused(found);
  else text.clear();
  DoFindChange(text);
}

// Keys.

void TCustomFolderView::KeyDown(WPARAM key) {
  if (AltHeld()) return;
  switch (key) {
    case VK_RETURN:
      if (OnSelect) OnSelect();
      break;
    case VK_PRIOR:
    case VK_NEXT:
    case VK_END:
    case VK_HOME:
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN:
    case kBackslashKey:
      ArrowKey(key, ShiftHeld(), CtrlHeld());
      break;
    default:
      break;
  }
}

bool TCustomFolderView::ArrowKey(WPARAM key, bool shift, bool ctrl) {
  TTreeItems& items = *items_;
  TTreeItem* root = items.Root;
  if (!focused_ || !topItem_ || !root) return false;
  if (focused_->Row < topItem_->Row || focused_->Row > topItem_->Row + visibleRows_) {
    AlignFocused(amCenter);
    Paint();
    return true;
  }
  TTreeItem* const oldFocus = focused_;
  TTreeItem* const oldTop = topItem_;
  const int oldX = scrollOrigin_.x;
  TTreeItem* focus = focused_;
  auto aboveTop = [&] { return focus->Row < scrollOrigin_.y; };
  auto belowBottom = [&] { return focus->Row - scrollOrigin_.y >= visibleRows_; };
  switch (key) {
    case VK_PRIOR:
      if (focus == root) break;
      if (focus == topItem_) {
        const int target = topItem_->Row - visibleRows_;
        while (focus != root && focus->Row > target) focus = PrevShown(focus);
        // The first item of the row reached.
        while (focus->Parent && focus->Parent->Row == focus->Row) focus = focus->Parent;
      } else {
        focus = topItem_;
      }
      focused_ = focus;
      AlignFocused(amTop);
      break;
    case VK_NEXT: {
      if (focus == lastVisible_) break;
      int target = topItem_->Row + visibleRows_ - 1;
      TTreeItem* first = FirstOnRow(target);
      if (first && focus == first) target = topItem_->Row + 2 * visibleRows_ - 1;
      while (focus != lastVisible_ && focus->Row < target) focus = NextShown(focus);
      while (focus->Parent && focus->Parent->Row == focus->Row) focus = focus->Parent;
      focused_ = focus;
      AlignFocused(amBottom);
      break;
    }
    case VK_END:
      focused_ = focus = lastVisible_;
      AlignFocused(amBottom);
      break;
    case VK_HOME:
    case kBackslashKey:
      focused_ = focus = root;
      AlignFocused(amTop);
      break;
    case VK_LEFT:
      if (shift) {
        if (focus->HasChildren() && focus->Expanded) focus->SetExpanded(false);
        break;
      }
      if (focus == root) break;
      focus = ctrl ? PrevShown(focus) : focus->Parent;
      focused_ = focus;
      if (aboveTop()) AlignFocused(amTop);
      break;
    case VK_UP:
      if (focus == root) break;
      if (shift) {
        if (TTreeItem* prev = focus->PrevSibling()) focus = prev;
      } else {
        TTreeItem* step = PrevShownAtLevel(focus, focus->Level);
        focus = step ? step : focus->Parent;
      }
      focused_ = focus;
      if (aboveTop()) AlignFocused(amTop);
      break;
    case VK_RIGHT:
      if (shift) {
        if (focus->HasChildren() && !focus->Expanded) focus->SetExpanded(true);
        break;
      }
      if (focus == lastVisible_) break;
      focus = NextShown(focus);
      focused_ = focus;
      if (belowBottom()) AlignFocused(amBottom);
      break;
    case VK_DOWN:
      if (focus == lastVisible_) break;
      if (shift) {
        if (focus->NextSibling) focus = focus->NextSibling;
      } else {
        TTreeItem* step = NextShownAtLevel(focus, focus->Level);
        focus = step ? step : NextShown(focus);
      }
      focused_ = focus;
      if (belowBottom()) AlignFocused(amBottom);
      break;
    default:
      return false;
  }
  scrollOrigin_.x = std::max(0, focused_->Level - visibleColumns_);
  if (focused_ == oldFocus) {
    if (scrollOrigin_.x != oldX) {
      SetHorizontalBar();
      Paint();
    }
    return true;
  }
  DoFindChange("");
  if (topItem_ == oldTop && scrollOrigin_.x == oldX) {
    DrawMoveItem(oldFocus, focused_);
  } else {
    SetHorizontalBar();
    Paint();
  }
  if (OnChange) OnChange();
  return true;
}

// Mouse.

void TCustomFolderView::MouseDown(int x, int y) {
  SetFocus(Handle());
  itemClicked_ = false;
  if (TTreeItem* item = GetItemAt(x, y)) {
    itemClicked_ = true;
    if (item == focused_) return;
    DoFindChange("");
    TTreeItem* old = focused_;
    focused_ = item;
    if (item->Row - scrollOrigin_.y >= visibleRows_) {
      AlignFocused(amBottom);
      Paint();
    } else {
      DrawMoveItem(old, item);
    }
    if (OnChange) OnChange();
    return;
  }
  if (TTreeItem* button = GetButtonAt(x, y)) {
    const bool focusInside = focused_ && focused_->IsDescendantOf(button);
    button->SetExpanded(!button->Expanded);
    if (focusInside && !button->Expanded) SetFocused(button);
  }
}

void TCustomFolderView::VerticalScroll(int code) {
  if (!items_->Root || !lastVisible_) return;
  int position = scrollOrigin_.y;
  switch (code) {
    case SB_LINEUP: --position; break;
    case SB_LINEDOWN: ++position; break;
    case SB_PAGEUP: position -= visibleRows_; break;
    case SB_PAGEDOWN: position += visibleRows_; break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: {
      SCROLLINFO info{sizeof info, SIF_TRACKPOS};
      GetScrollInfo(Handle(), SB_VERT, &info);
      position = info.nTrackPos;
      break;
    }
    case SB_TOP: position = 0; break;
    case SB_BOTTOM: position = verticalMax_; break;
    default: return;
  }
  position = std::clamp(position, 0, std::max(0, verticalMax_ - visibleRows_ + 1));
  if (position == scrollOrigin_.y) return;
  topItem_ = FirstOnRow(position);
  if (!topItem_) topItem_ = lastVisible_;
  scrollOrigin_.y = topItem_->Row;
  SetVerticalBar();
  Paint();
}

void TCustomFolderView::HorizontalScroll(int code, int position) {
  int x = scrollOrigin_.x;
  switch (code) {
    case SB_LINELEFT:
    case SB_PAGELEFT: --x; break;
    case SB_LINERIGHT:
    case SB_PAGERIGHT: ++x; break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: x = position; break;
    default: return;
  }
  x = std::clamp(x, 0, std::max(0, maxLevel_ - visibleColumns_));
  if (x == scrollOrigin_.x) return;
  scrollOrigin_.x = x;
  SetHorizontalBar();
  Paint();
}

LRESULT TCustomFolderView::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SIZE:
      CalculateParams();
      UpdateScrollRange();
      ReleaseBackBuffer();
      InvalidateRect(Handle(), nullptr, FALSE);
      return 0;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: {
      TPaintDC paint(Handle());
      if (!busy_ && !items_->IsUpdating()) {
        RECT client{};
        GetClientRect(Handle(), &client);
        PaintTo(paint.Get(), client);
      }
      return 0;
    }
    case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_MOUSEWHEEL: return 0;
    case WM_KEYDOWN:
      KeyDown(wParam);
      if (OnKeyDown) OnKeyDown(wParam, false);
      return 0;
    case WM_SYSKEYDOWN:
      if (OnKeyDown && OnKeyDown(wParam, true)) return 0;
      break;
    case WM_CHAR: {
      const auto unit = static_cast<wchar_t>(wParam);
      if (unit >= 0xD800 && unit < 0xDC00) {
        pendingHigh_ = unit;
        return 0;
      }
      if (unit >= 0xDC00 && unit < 0xE000 && pendingHigh_) {
        TypeChar(0x10000 + ((static_cast<char32_t>(pendingHigh_) - 0xD800) << 10) + (unit - 0xDC00));
        pendingHigh_ = 0;
        return 0;
      }
      pendingHigh_ = 0;
      TypeChar(unit);
      return 0;
    }
    case WM_UNICHAR:
      if (wParam == UNICODE_NOCHAR) return TRUE;
      TypeChar(static_cast<char32_t>(wParam));
      return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
      MouseDown(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
      return 0;
    case WM_LBUTTONDBLCLK:
      // The second press of a double-click only selects what the first one hit.
      if (itemClicked_ && OnSelect) OnSelect();
      return 0;
    case WM_RBUTTONUP: {
      const int x = static_cast<short>(LOWORD(lParam));
      const int y = static_cast<short>(HIWORD(lParam));
      if (GetItemAt(x, y) && OnContextMenu) OnContextMenu(x, y);
      return 0;
    }
    case WM_VSCROLL:
      VerticalScroll(LOWORD(wParam));
      return 0;
    case WM_HSCROLL:
      HorizontalScroll(LOWORD(wParam), HIWORD(wParam));
      return 0;
    default:
      break;
  }
  return DefaultHandling(message, wParam, lParam);
}

}  // namespace quill

#include "fileview/FileViewNavigation.h"

#include <algorithm>

namespace quill {

namespace {

constexpr int kNone = -1;

// Targets that do not depend on the focus.
int AbsoluteTarget(TNavKey key, const TNavState& state) {
  const int last = state.Count - 1;
  const int files = state.Count - state.Folders - state.Drives;
  switch (key) {
    case nkHome: return 0;
    case nkEnd: return last;
    case nkFirstDrive: return state.Count - state.Drives;
    case nkCtrlPageUp: return state.Folders > 0 ? 0 : kNone;
    case nkCtrlPageDown: return state.Folders > 0 ? state.Folders - 1 : kNone;
    case nkCtrlHome: return files > 0 ? state.Folders : kNone;
    case nkCtrlEnd: return files > 0 ? state.Count - state.Drives - 1 : kNone;
    default: return kNone;
  }
}

int RelativeTarget(TNavKey key, const TNavState& state) {
  const int f = state.Focused;
  const int s = state.FirstVisible;
  const int p = state.PageSize();
  const int r = state.RowsPerPage;
  const int last = state.Count - 1;
  const int e = PageEnd(s, p, state.Count);
  const bool list = state.Style == vsList;
  switch (key) {
    case nkPageUp: return f != s ? s : f - p;
    case nkPageDown: return f != e ? e : std::min(f + p, last);
    case nkLeft: return list ? (f - s < r ? f - 1 : f - r) : f - 1;
    case nkRight: return list ? (e - f < r ? f + 1 : f + r) : f + 1;
    case nkUp: return list ? f - 1 : f - state.Columns;
    case nkDown: return list ? f + 1 : std::min(f + state.Columns, last);
    default: return kNone;
  }
}

bool IsRelative(TNavKey key) {
  switch (key) {
    case nkPageUp:
    case nkPageDown:
    case nkLeft:
    case nkRight:
    case nkUp:
    case nkDown: return true;
    default: return false;
  }
}

}  // namespace

int PageEnd(int firstVisible, int pageSize, int count) { return std::min(count - 1, firstVisible + pageSize - 1); }

bool OnPage(int index, int firstVisible, int pageSize, int count) {
  return firstVisible >= 0 && index >= firstVisible && index <= PageEnd(firstVisible, pageSize, count);
}

int PageStart(int focused, int pageSize, int count) {
  if (count <= 0) return -1;
  const int page = std::max(1, pageSize);
  return std::clamp(focused, 0, count - 1) / page * page;
}

int PageCount(int count, int pageSize) {
  const int page = std::max(1, pageSize);
  return count <= 0 ? 0 : (count + page - 1) / page;
}

int ScrollPage(TScrollAction action, int page, int thumbPage, int pageCount) {
  int target = page;
  switch (action) {
    case saLineUp:
    case saPageUp: target = page - 1; break;
    case saLineDown:
    case saPageDown: target = page + 1; break;
    case saThumb: target = thumbPage; break;
    default: break;
  }
  return std::clamp(target, 0, std::max(0, pageCount - 1));
}

TNavResult KeyTarget(TNavKey key, const TNavState& state) {
  if (state.Count <= 0) return {};
  const bool hasFocus = state.Focused >= 0 && state.Focused < state.Count;
  if (hasFocus && !OnPage(state.Focused, state.FirstVisible, state.PageSize(), state.Count))
    return {naAdjustPage, state.Focused};
  int target;
  if (IsRelative(key)) {
    if (!hasFocus) return {};
    target = RelativeTarget(key, state);
  } else {
    target = AbsoluteTarget(key, state);
  }
  if (target < 0 || target >= state.Count || target == state.Focused) return {};
  return {naFocus, target};
}

}  // namespace quill

#include "navigation/StringHistory.h"

#include <algorithm>

namespace quill {

TStringHistory::TStringHistory(int capacity) : items_(static_cast<size_t>(std::max(capacity, 1))) {}

void TStringHistory::Add(std::string_view path) {
  if (position_ == last_) {
    if (last_ < Capacity() - 1) {
      ++last_;
    } else {
      std::rotate(items_.begin(), items_.begin() + 1, items_.end());
    }
    items_[last_].assign(path);
    position_ = last_;
  } else {
    ++position_;
    DropAfter(position_);
    items_[position_].assign(path);
  }
  Changed();
}

std::string TStringHistory::Back() {
  if (!CanBack()) return {};
  --position_;
  Changed();
  return items_[position_];
}

std::string TStringHistory::Forward() {
  if (!CanForward()) return {};
  ++position_;
  Changed();
  return items_[position_];
}

std::string TStringHistory::Item(int index) const {
  if (index < 0 || index > last_) return {};
  return items_[index];
}

void TStringHistory::Truncate(int index) {
  if (DropAfter(index)) Changed();
}

bool TStringHistory::DropAfter(int index) {
  // Clamped first, so an empty history stays empty.
  index = std::max(index, 0);
  if (index >= last_) return false;
  for (int i = index + 1; i < Capacity(); ++i) items_[i].clear();
  last_ = index;
  // The current item may have been dropped; the newest one left becomes current.
  position_ = std::min(position_, last_);
  return true;
}

void TStringHistory::Changed() {
  if (OnChange) OnChange(*this);
}

std::vector<std::string> BackMenuItems(const TStringHistory& history) {
  std::vector<std::string> items;
  for (int i = 0; i < history.Position(); ++i) items.push_back(history.Item(i));
  return items;
}

std::vector<std::string> ForwardMenuItems(const TStringHistory& history) {
  std::vector<std::string> items;
  if (history.Position() < 0) return items;
  for (int i = history.Position() + 1; i <= history.Last(); ++i) items.push_back(history.Item(i));
  return items;
}

}  // namespace quill

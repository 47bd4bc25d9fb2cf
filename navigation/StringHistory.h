// The visited-folder history behind Back and Forward: a fixed number of paths, oldest first,
// with the current position among them. Portable.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quill {

class TStringHistory {
public:
  // A capacity below 1 is taken as 1.
  explicit TStringHistory(int capacity);

  // Adds a path after the current one. At the newest item it appends (the oldest item drops out
  // when full); after going back it replaces every item after the current one.
  void Add(std::string_view path);

  bool CanBack() const { return position_ > 0; }
  bool CanForward() const { return position_ < last_; }
  // The item the position moved to, or "" when it cannot move.
  std::string Back();
  std::string Forward();

  // "" outside 0 .. Last().
  std::string Item(int index) const;
  // Drops every item after `index` (a negative index counts as 0); nothing when index >= Last().
  // A position past the kept items moves to the newest kept one.
  void Truncate(int index);

  int Capacity() const { return static_cast<int>(items_.size()); }
  int Last() const { return last_; }          // -1 when empty
  int Position() const { return position_; }  // -1 when empty

  // Raised after every change of the position or the items.
  std::function<void(TStringHistory&)> OnChange;

private:
  // Truncate without the event, for Add, which raises it once for the whole change.
  bool DropAfter(int index);
  void Changed();

  std::vector<std::string> items_;
  int last_ = -1;
  int position_ = -1;
};

// The Back drop-down: items 0 .. position - 1, oldest first.
std::vector<std::string> BackMenuItems(const TStringHistory& history);
// The Forward drop-down: items position + 1 .. last, in order.
std::vector<std::string> ForwardMenuItems(const TStringHistory& history);

}  // namespace quill

#include "settings/OrganizeFavModel.h"

#include <utility>

#include "base/TextFile.h"

namespace quill {

namespace {

bool HasLineBreak(std::string_view text) { return text.find_first_of("\r\n") != std::string_view::npos; }

std::string Line(std::string_view name, std::string_view folder) {
  std::string line;
  line.reserve(name.size() + 1 + folder.size());
  line.append(name).append("=").append(folder);
  return line;
}

}  // namespace

void TOrganizeFavModel::Load(IFileStore& store, const ICodePage& codePage, const std::string& path) {
  lines_.clear();
  std::string bytes;
  if (store.ReadAll(path, bytes)) lines_ = DecodeLines(bytes, codePage);
  selected_ = lines_.empty() ? kNoRow : 0;
}

uint32_t TOrganizeFavModel::Save(IFileStore& store, const ICodePage& codePage, const std::string& path) const {
  return store.WriteAll(path, EncodeLines(lines_, codePage));
}

std::string_view TOrganizeFavModel::Name(size_t row) const {
  const std::string_view line = lines_.at(row);
  return line.substr(0, line.find('='));
}

std::string_view TOrganizeFavModel::Path(size_t row) const {
  const std::string_view line = lines_.at(row);
  const size_t equals = line.find('=');
  return equals == std::string_view::npos ? std::string_view() : line.substr(equals + 1);
}

std::string TOrganizeFavModel::ShortcutText(size_t row) {
  if (row >= 12) return {};
  return "( Shift + F" + std::to_string(row + 1) + " )";
}

void TOrganizeFavModel::Select(int row) {
  selected_ = row >= 0 && static_cast<size_t>(row) < lines_.size() ? row : kNoRow;
}

bool TOrganizeFavModel::ValidName(std::string_view name) {
  return name.find('=') == std::string_view::npos && !HasLineBreak(name);
}

bool TOrganizeFavModel::ValidFolder(std::string_view folder) { return !HasLineBreak(folder); }

bool TOrganizeFavModel::Rename(std::string_view name) {
  if (!HasSelection() || !ValidName(name)) return false;
  std::string line = Line(name, Path(selected_));
  if (line == lines_[selected_]) return false;
  lines_[selected_] = std::move(line);
  return true;
}

bool TOrganizeFavModel::ChangePath(std::string_view folder) {
  if (!HasSelection() || folder.empty() || !ValidFolder(folder)) return false;
  std::string line = Line(Name(selected_), folder);
  if (line == lines_[selected_]) return false;
  lines_[selected_] = std::move(line);
  return true;
}

bool TOrganizeFavModel::Add(std::string_view name, std::string_view folder) {
  if (!ValidName(name) || !ValidFolder(folder)) return false;
  lines_.push_back(Line(name, folder));
  selected_ = static_cast<int>(lines_.size()) - 1;
  return true;
}

bool TOrganizeFavModel::Delete() {
  if (!HasSelection()) return false;
  lines_.erase(lines_.begin() + selected_);
  if (static_cast<size_t>(selected_) >= lines_.size()) selected_ = static_cast<int>(lines_.size()) - 1;
  return true;
}

bool TOrganizeFavModel::Up() {
  if (!HasSelection() || selected_ == 0) return false;
  std::swap(lines_[selected_], lines_[selected_ - 1]);
  --selected_;
  return true;
}

bool TOrganizeFavModel::Down() {
  if (!HasSelection() || static_cast<size_t>(selected_) + 1 >= lines_.size()) return false;
  std::swap(lines_[selected_], lines_[selected_ + 1]);
  ++selected_;
  return true;
}

}  // namespace quill

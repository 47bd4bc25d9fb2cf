#include "operations/OperationRules.h"

#include <vector>

#include "base/Path.h"
#include "base/Text.h"
#include "fileview/FileViewLayout.h"

namespace quill {

namespace {

// The root marker and the components of a path. A share path's root is "\\" so that it never
// meets a drive; "." parts and empty parts (doubled separators) drop out, ".." removes one.
std::vector<std::string_view> Components(std::string_view path) {
  std::vector<std::string_view> parts;
  if (path.size() >= 2 && IsPathSeparator(path[0]) && IsPathSeparator(path[1])) {
    parts.push_back("\\\\");
    path.remove_prefix(2);
  } else if (!path.empty() && IsPathSeparator(path[0])) {
    parts.push_back("\\");
    path.remove_prefix(1);
  }
  const size_t fixed = parts.size();
  size_t from = 0;
  while (from <= path.size()) {
    size_t end = from;
    while (end < path.size() && !IsPathSeparator(path[end])) ++end;
    const std::string_view part = path.substr(from, end - from);
    if (part == "..") {
      if (parts.size() > fixed + 1) parts.pop_back();  // never above the drive or share
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    from = end + 1;
  }
  return parts;
}

std::string DriveOf(std::string_view path, std::string_view currentFolder) {
  std::string drive = DrivePart(path);
  return drive.empty() ? DrivePart(currentFolder) : drive;
}

// The name shown for a folder: its last component, or its drive or share when it is a root.
std::string FolderDisplayName(std::string_view folder) {
  std::string name = LastComponent(folder);
  return name.empty() ? DrivePart(folder) : name;
}

}  // namespace

std::string TargetPathFor(std::string_view destination, std::string_view source) {
  if (source.size() > 1 && IsPathSeparator(source.back())) source.remove_suffix(1);
  const size_t pos = source.find_last_of("\\/:");
  return JoinPath(destination, pos == std::string_view::npos ? source : source.substr(pos + 1));
}

bool IsSameOrInside(std::string_view folder, std::string_view path, const ICollator& names) {
  const std::vector<std::string_view> outer = Components(folder);
  const std::vector<std::string_view> inner = Components(path);
  if (outer.empty() || inner.size() < outer.size()) return false;
  for (size_t i = 0; i < outer.size(); ++i)
    if (!names.SameName(outer[i], inner[i])) return false;
  return true;
}

bool SameVolume(std::string_view source, std::string_view destination, std::string_view currentFolder) {
  const std::string from = DriveOf(source, currentFolder);
  return !from.empty() && SameTextAscii(from, DriveOf(destination, currentFolder));
}

std::string ProgressSourceName(std::string_view firstSource, std::string_view currentFolder) {
  std::string_view source = firstSource;
  if (source.size() > 1 && IsPathSeparator(source.back())) source.remove_suffix(1);
  std::string name;
  const size_t pos = source.find_last_of("\\/");
  if (pos != std::string_view::npos) {
    // "C:\a.txt" lies in "C:\", not in "C:".
    std::string_view holder = source.substr(0, pos + 1);
    if (holder.size() > 1 && !(holder.size() == 3 && holder[1] == ':')) holder.remove_suffix(1);
    name = FolderDisplayName(holder);
  } else {
    name = DrivePart(source);  // "C:name" lies in that drive's current folder, unknown here
  }
  return name.empty() ? FolderDisplayName(currentFolder) : name;
}

std::string ProgressTargetName(std::string_view destination) { return FolderDisplayName(destination); }

std::string CopyFileLine(std::string_view name, uint64_t size) {
  std::string line(name);
  line += " (";
  line += GroupThousands(size);
  line += " bytes) ";
  return line;
}

std::string TemporarySibling(std::string_view target, uint32_t serial) {
  return JoinPath(FileDirPart(target), Format("~quill%08X.tmp", serial));
}

}  // namespace quill

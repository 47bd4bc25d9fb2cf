#include "base/Path.h"

#include <algorithm>

namespace quill {

bool IsPathSeparator(char c) { return c == '\\' || c == '/'; }

namespace {
bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Length of the root of a path: 3 for "C:\", 2 for "C:", the "\\server\share\" prefix for UNC
// paths (without the final separator when absent), 1 for a path starting with one separator.
size_t RootLength(std::string_view path) {
  if (path.size() >= 2 && IsAsciiLetter(path[0]) && path[1] == ':')
    return (path.size() >= 3 && IsPathSeparator(path[2])) ? 3 : 2;
  if (path.size() >= 2 && IsPathSeparator(path[0]) && IsPathSeparator(path[1])) {
    size_t pos = 2;
    for (int part = 0; part < 2; ++part) {
      while (pos < path.size() && !IsPathSeparator(path[pos])) ++pos;
      if (part == 0 && pos < path.size()) ++pos;
    }
    return pos < path.size() ? pos + 1 : pos;
  }
  if (!path.empty() && IsPathSeparator(path[0])) return 1;
  return 0;
}
}  // namespace

std::string JoinPath(std::string_view folder, std::string_view name) {
  if (name.empty()) return std::string(folder);
  if (folder.empty()) return std::string(name);
  std::string result(folder);
  if (result.back() != '\\') result += '\\';
  result += name;
  return result;
}

std::string DriveRoot(std::string_view text) {
  if (!text.empty() && IsAsciiLetter(text[0])) return std::string(1, text[0]) + ":\\";
  std::string result(text);
  if (result.empty() || result.back() != '\\') result += '\\';
  return result;
}

bool IsRootFolder(std::string_view path) {
  if (path.size() == 3 && path[1] == ':') return true;
  if (path.size() >= 2 && IsPathSeparator(path[0]) && IsPathSeparator(path[1]))
    return std::count_if(path.begin(), path.end(), IsPathSeparator) == 3;
  return false;
}

std::string DrivePart(std::string_view path) {
  if (path.size() >= 2 && IsAsciiLetter(path[0]) && path[1] == ':') return std::string(path.substr(0, 2));
  if (path.size() >= 2 && IsPathSeparator(path[0]) && IsPathSeparator(path[1])) {
    size_t len = RootLength(path);
    std::string_view root = path.substr(0, len);
    if (!root.empty() && IsPathSeparator(root.back()) && root.size() > 2) root.remove_suffix(1);
    return std::string(root);
  }
  return {};
}

std::string StripBackslash(std::string_view path) {
  if (!path.empty() && path.back() == '\\') path.remove_suffix(1);
  return std::string(path);
}

std::string FileNamePart(std::string_view path) {
  size_t pos = path.find_last_of("\\:");
  return std::string(pos == std::string_view::npos ? path : path.substr(pos + 1));
}

std::string FileDirPart(std::string_view path) {
  size_t pos = path.rfind('\\');
  return pos == std::string_view::npos ? std::string() : std::string(path.substr(0, pos));
}

std::pair<std::string, std::string> SplitName(std::string_view fileName) {
  size_t dot = fileName.rfind('.');
  if (dot == std::string_view::npos) return {std::string(fileName), {}};
  return {std::string(fileName.substr(0, dot)), std::string(fileName.substr(dot + 1))};
}

std::string LastComponent(std::string_view path) {
  size_t root = RootLength(path);
  if (path.size() > root && IsPathSeparator(path.back())) path.remove_suffix(1);
  if (path.size() <= root) return {};
  size_t pos = path.size();
  while (pos > root && !IsPathSeparator(path[pos - 1])) --pos;
  return std::string(path.substr(pos));
}

std::string FirstComponentBelowRoot(std::string_view path) {
  size_t root = RootLength(path);
  if (root == 2 && path.size() > 2 && !IsPathSeparator(path[1])) root = 2;  // "C:name"
  size_t end = root;
  while (end < path.size() && !IsPathSeparator(path[end])) ++end;
  return std::string(path.substr(root, end - root));
}

}  // namespace quill

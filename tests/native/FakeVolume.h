// An in-memory file system with drives, for the pane model and start-up tests. Paths are
// Windows-style ("C:\Work\a.txt"); names compare without ASCII case; enumeration returns entries
// in the order they were made, so scan order is observable.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "base/FileSystem.h"
#include "base/Path.h"
#include "base/Text.h"

namespace quill::test {

class TFakeVolume : public IFileSystem {
public:
  struct TDrive {
    uint32_t type = kDriveFixed;
    bool ready = true;
    std::string label;
  };
  struct TNode {
    std::string name;  // as made
    std::string path;  // the full path as made
    uint32_t attributes = 0;
    std::string bytes;
    uint64_t size = 0;
    uint64_t time = 0;
    std::vector<std::string> children;  // folded full paths, in creation order
  };

  TFakeVolume() { AddDrive('C', kDriveFixed, ""); }

  void AddDrive(char letter, uint32_t type, const std::string& label, bool ready = true) {
    drives[UpperAscii(letter)] = {type, ready, label};
    const std::string root = std::string(1, UpperAscii(letter)) + ":\\";
    if (!nodes.count(Fold(root))) nodes[Fold(root)] = {root, root, faDirectory, {}, 0, 0, {}};
  }
  void MakeFolder(const std::string& path, uint32_t extra = 0) { Make(path, faDirectory | extra, {}, 0); }
  void MakeFile(const std::string& path, uint64_t size = 1, uint32_t attributes = faArchive, uint64_t time = 1) {
    Make(path, attributes, std::string(), size, time);
  }
  void WriteText(const std::string& path, const std::string& bytes, uint32_t attributes = faArchive) {
    Make(path, attributes, bytes, bytes.size());
  }
  bool Has(const std::string& path) const { return nodes.count(Fold(path)) != 0; }
  const TNode& Node(const std::string& path) const { return nodes.at(Fold(path)); }

  // IFileStore
  bool ReadAll(const std::string& path, std::string& bytes) override {
    auto it = nodes.find(Fold(path));
    if (it == nodes.end() || (it->second.attributes & faDirectory)) return false;
    bytes = it->second.bytes;
    return true;
  }
  uint32_t WriteAll(const std::string& path, std::string_view bytes) override {
    ++writes;
    if (failWrites) return failWrites;
    auto it = nodes.find(Fold(path));
    if (it != nodes.end() && (it->second.attributes & faReadOnly)) return 5;
    if (!nodes.count(Fold(FileDirPart(path).empty() ? path : ParentOf(path)))) return 3;
    Make(path, it != nodes.end() ? it->second.attributes : faArchive, std::string(bytes), bytes.size());
    return 0;
  }

  // IFileSystem
  bool Enumerate(const std::string& pattern, const std::function<void(const TFindData&)>& found) override {
    ++enumerations;
    patterns.push_back(pattern);
    const std::string folder = ParentOf(pattern);
    const std::string mask = FileNamePart(pattern);
    auto it = nodes.find(Fold(folder));
    if (it == nodes.end() || !(it->second.attributes & faDirectory)) return false;
    const auto drive = drives.find(UpperAscii(it->second.path[0]));
    if (drive != drives.end() && !drive->second.ready) return false;
    if (!IsRootFolder(it->second.name)) {
      for (const char* dot : {".", ".."})
        if (Matches(mask, dot)) found({dot, faDirectory, 0, 0});
    }
    for (const std::string& child : it->second.children) {
      const TNode& n = nodes.at(child);
      if (Matches(mask, n.name)) found({n.name, n.attributes, n.size, n.time});
    }
    return true;
  }
  bool SetCurrentDir(const std::string& path) override {
    const std::string full = Resolve(path);
    auto it = nodes.find(Fold(full));
    if (it == nodes.end() || !(it->second.attributes & faDirectory)) return false;
    const auto drive = drives.find(UpperAscii(full[0]));
    if (drive == drives.end() || !drive->second.ready) return false;
    current = it->second.path;
    return true;
  }
  std::string CurrentDir() override { return current; }
  uint32_t GetAttributes(const std::string& path) override {
    auto it = nodes.find(Fold(Resolve(path)));
    return it == nodes.end() ? kInvalidAttributes : it->second.attributes;
  }
  bool SetAttributes(const std::string& path, uint32_t attributes) override {
    auto it = nodes.find(Fold(path));
    if (it == nodes.end()) return false;
    it->second.attributes = (it->second.attributes & faDirectory) | attributes;
    return true;
  }
  uint32_t RemoveFile(const std::string& path) override {
    auto it = nodes.find(Fold(path));
    if (it == nodes.end()) return 2;
    if (it->second.attributes & faReadOnly) return 5;
    auto& siblings = nodes.at(Fold(ParentOf(path))).children;
    std::erase(siblings, Fold(path));
    nodes.erase(it);
    return 0;
  }
  uint32_t LogicalDrives() override {
    uint32_t mask = 0;
    for (const auto& [letter, drive] : drives) mask |= 1u << (letter - 'A');
    return mask;
  }
  uint32_t DriveType(const std::string& root) override {
    auto it = drives.find(UpperAscii(root.empty() ? '?' : root[0]));
    return it == drives.end() ? kDriveNoRoot : it->second.type;
  }
  bool VolumeLabel(const std::string& root, std::string& label) override {
    auto it = drives.find(UpperAscii(root.empty() ? '?' : root[0]));
    if (it == drives.end() || !it->second.ready || root.size() < 2 || root[1] != ':') return false;
    label = it->second.label;
    return true;
  }
  bool ShellOpen(const std::string& file) override {
    opened.push_back(file);
    return true;
  }

  std::map<char, TDrive> drives;
  std::map<std::string, TNode> nodes;  // folded full path → node
  std::string current = "C:\\";
  std::vector<std::string> opened;
  int enumerations = 0;
  std::vector<std::string> patterns;  // every Enumerate, in order
  int writes = 0;
  uint32_t failWrites = 0;

private:
  static std::string Fold(const std::string& path) { return UpperAscii(StripTrailing(path)); }
  static std::string StripTrailing(const std::string& path) {
    return (path.size() > 3 && path.back() == '\\') ? path.substr(0, path.size() - 1) : path;
  }
  static std::string ParentOf(const std::string& path) {
    const std::string p = StripTrailing(path);
    const size_t pos = p.rfind('\\');
    if (pos == std::string::npos) return p;
    return pos == 2 ? p.substr(0, 3) : p.substr(0, pos);
  }
  // Windows-like matching of * and ? on one name; "*.*" matches every name.
  static bool Matches(std::string_view mask, std::string_view name) {
    if (mask == "*.*" || mask == "*") return true;
    if (mask.empty()) return name.empty();
    if (mask[0] == '*') {
      for (size_t i = 0; i <= name.size(); ++i)
        if (Matches(mask.substr(1), name.substr(i))) return true;
      return false;
    }
    if (name.empty()) return false;
    if (mask[0] != '?' && UpperAscii(mask[0]) != UpperAscii(name[0])) return false;
    return Matches(mask.substr(1), name.substr(1));
  }
  std::string Resolve(const std::string& path) const {
    if (path.size() >= 2 && path[1] == ':') return path.size() == 2 ? path + "\\" : path;
    std::string base = current;
    if (!path.empty() && path[0] == '\\') return current.substr(0, 2) + path;
    std::string result = base;
    for (const std::string& part : Split(path, '\\')) {
      if (part.empty() || part == ".") continue;
      if (part == "..") result = ParentOf(result);
      else result = JoinPath(result, part);
    }
    return result;
  }
  void Make(const std::string& path, uint32_t attributes, std::string bytes, uint64_t size, uint64_t time = 1) {
    const std::string key = Fold(path);
    auto it = nodes.find(key);
    if (it != nodes.end()) {
      it->second.attributes = attributes;
      it->second.bytes = std::move(bytes);
      it->second.size = size;
      return;
    }
    nodes[key] = {FileNamePart(StripTrailing(path)), StripTrailing(path), attributes, std::move(bytes), size, time, {}};
    nodes.at(Fold(ParentOf(path))).children.push_back(key);
  }
};

}  // namespace quill::test

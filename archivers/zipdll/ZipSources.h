// What an add command names: its file specifications resolved against the current folder into
// the files and folders to store, each with the name it gets in the archive.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace zipdll {

struct SourceOptions {
  bool recurse = false;
  bool keepFolderNames = true;
  bool addFolderEntries = false;
  bool includeHidden = false;
  std::wstring exclude;  // full path of the archive itself, never added to itself
};

struct SourceItem {
  std::wstring path;      // full path
  std::wstring relative;  // the archive name with "\" separators
  std::string name;       // the stored name: ASCII, or UTF-8 (utf8 set); folders end in "/"
  bool utf8 = false;
  bool folder = false;
  uint32_t attributes = 0;
  uint64_t size = 0;
  FILETIME lastWrite{};
};

struct Sources {
  std::vector<SourceItem> items;
  // Folders whose contents were taken (the specifications' folders and every folder recursed
  // into), deepest first: a move removes the ones left empty.
  std::vector<std::wstring> folders;
  std::vector<std::wstring> missing;  // specifications that matched nothing
};

// `specs` are texts in the system's ANSI code page: plain names, wildcard patterns, "folder\*.*".
Sources GatherSources(const std::vector<std::string>& specs, const SourceOptions& options);
// The same for specifications already in UTF-16 (rar.exe's list files and command line).
Sources GatherSources(const std::vector<std::wstring>& specs, const SourceOptions& options);

// ANSI text of the system code page to UTF-16 and back ('?' for what the code page lacks).
std::wstring FromAnsi(const std::string& text);
std::string ToAnsi(const std::wstring& text);
// The stored form of an archive name: plain ASCII as it is, anything else UTF-8 (utf8 = true).
std::string StoredName(const std::wstring& name, bool* utf8);
// Case-insensitive equality of two archive names, "/" and "\" alike.
bool SameArchiveName(const std::wstring& a, const std::wstring& b);

}  // namespace zipdll

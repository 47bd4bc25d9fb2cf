#include "archivers/zipdll/ZipSources.h"

#include <algorithm>
#include <set>

namespace zipdll {

namespace {

std::wstring Convert(const std::string& text, UINT codePage) {
  if (text.empty()) return {};
  const int length = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), length);
  return out;
}

std::string ConvertBack(const std::wstring& text, UINT codePage) {
  if (text.empty()) return {};
  const int length =
      WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), length, nullptr, nullptr);
  return out;
}

bool HasWildcard(const std::wstring& text) { return text.find_first_of(L"*?") != std::wstring::npos; }

bool StartsWithFolder(const std::wstring& path, const std::wstring& folder) {
  if (path.size() <= folder.size()) return false;
  const bool separated = folder.back() == L'\\' || path[folder.size()] == L'\\';
  return separated && CompareStringOrdinal(path.data(), static_cast<int>(folder.size()), folder.data(),
                                           static_cast<int>(folder.size()), TRUE) == CSTR_EQUAL;
}

std::wstring FullPath(const std::wstring& path) {
  wchar_t small[MAX_PATH];
  DWORD length = GetFullPathNameW(path.c_str(), MAX_PATH, small, nullptr);
  if (length == 0) return path;
  if (length < MAX_PATH) return std::wstring(small, length);
  std::wstring big(length, L'\0');
  length = GetFullPathNameW(path.c_str(), length, big.data(), nullptr);
  big.resize(length);
  return big;
}

std::wstring CurrentFolder() {
  const DWORD length = GetCurrentDirectoryW(0, nullptr);
  std::wstring folder(length, L'\0');
  folder.resize(GetCurrentDirectoryW(length, folder.data()));
  return folder;
}

// A path below the current folder keeps its folders from there; any other loses its drive or
// server and share, so that no stored name is absolute.
std::wstring RelativeName(const std::wstring& path, const std::wstring& current) {
  if (StartsWithFolder(path, current)) {
    size_t from = current.size();
    if (path[from] == L'\\') ++from;
    return path.substr(from);
  }
  size_t from = 0;
  if (path.rfind(L"\\\\", 0) == 0) {
    from = path.find(L'\\', 2);                                      // after the server
    from = from == std::wstring::npos ? path.size() : path.find(L'\\', from + 1);  // after the share
    if (from == std::wstring::npos) from = path.size();
  } else if (path.size() >= 2 && path[1] == L':') {
    from = 2;
  }
  while (from < path.size() && path[from] == L'\\') ++from;
  return path.substr(from);
}

class TGatherer {
public:
  TGatherer(const SourceOptions& options) : options_(options), current_(CurrentFolder()) {}

  void Spec(const std::wstring& spec) {
    if (spec.empty()) return;
    const std::wstring full = FullPath(spec);
    const size_t slash = full.find_last_of(L'\\');
    const std::wstring folder = slash == std::wstring::npos ? current_ : full.substr(0, slash == 2 ? 3 : slash);
    const std::wstring last = slash == std::wstring::npos ? full : full.substr(slash + 1);
    bool matched = false;
    if (HasWildcard(last)) {
      if (GetFileAttributesW(folder.c_str()) != INVALID_FILE_ATTRIBUTES) {
        matched = true;
        if (!RelativeName(folder, current_).empty() && CompareStringOrdinal(folder.c_str(), -1, current_.c_str(), -1, TRUE) != CSTR_EQUAL) {
          AddFolderOf(folder);
          sources_.folders.push_back(folder);
        }
        Match(folder, last);
      }
    } else {
      WIN32_FILE_ATTRIBUTE_DATA data{};
      if (GetFileAttributesExW(full.c_str(), GetFileExInfoStandard, &data)) {
        matched = true;
        if (!Visible(data.dwFileAttributes)) return;
        Add(full, data.dwFileAttributes, (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow,
            data.ftLastWriteTime);
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && options_.recurse) {
          sources_.folders.push_back(full);
          Match(full, L"*");
        }
      }
    }
    if (!matched) sources_.missing.push_back(spec);
  }

  Sources Take() {
    std::stable_sort(sources_.folders.begin(), sources_.folders.end(),
                     [](const std::wstring& a, const std::wstring& b) { return a.size() > b.size(); });
    return std::move(sources_);
  }

private:
  bool Visible(DWORD attributes) const {
    return options_.includeHidden || !(attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
  }

  void AddFolderOf(const std::wstring& folder) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (GetFileAttributesExW(folder.c_str(), GetFileExInfoStandard, &data) && Visible(data.dwFileAttributes))
      Add(folder, data.dwFileAttributes, 0, data.ftLastWriteTime);
  }

  // The files of `folder` matching `pattern`; with recurse the same in every subfolder.
  void Match(const std::wstring& folder, const std::wstring& pattern) {
    const std::wstring prefix = folder.back() == L'\\' ? folder : folder + L'\\';
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((prefix + pattern).c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
      do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && Visible(data.dwFileAttributes))
          Add(prefix + data.cFileName, data.dwFileAttributes,
              (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow, data.ftLastWriteTime);
      } while (FindNextFileW(find, &data));
      FindClose(find);
    }
    if (!options_.recurse) return;
    find = FindFirstFileW((prefix + L"*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return;
    std::vector<std::wstring> subfolders;
    do {
      const std::wstring name = data.cFileName;
      // Links to folders are not followed: they could lead back up the tree.
      if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != L"." && name != L".." &&
          !(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && Visible(data.dwFileAttributes)) {
        Add(prefix + name, data.dwFileAttributes, 0, data.ftLastWriteTime);
        subfolders.push_back(prefix + name);
      }
    } while (FindNextFileW(find, &data));
    FindClose(find);
    for (const auto& sub : subfolders) {
      sources_.folders.push_back(sub);
      Match(sub, pattern);
    }
  }

  void Add(const std::wstring& path, DWORD attributes, uint64_t size, const FILETIME& lastWrite) {
    const bool folder = attributes & FILE_ATTRIBUTE_DIRECTORY;
    if (folder && !(options_.addFolderEntries && options_.keepFolderNames)) return;
    if (!options_.exclude.empty() && CompareStringOrdinal(path.c_str(), -1, options_.exclude.c_str(), -1, TRUE) == CSTR_EQUAL)
      return;
    SourceItem item;
    item.path = path;
    if (options_.keepFolderNames) {
      item.relative = RelativeName(path, current_);
    } else {
      const size_t slash = path.find_last_of(L'\\');
      item.relative = slash == std::wstring::npos ? path : path.substr(slash + 1);
    }
    if (item.relative.empty()) return;
    std::wstring key = item.relative;
    CharUpperBuffW(key.data(), static_cast<DWORD>(key.size()));
    if (!seen_.insert(key + (folder ? L"\\" : L"")).second) return;
    std::wstring stored = item.relative;
    std::replace(stored.begin(), stored.end(), L'\\', L'/');
    if (folder) stored += L'/';
    item.name = StoredName(stored, &item.utf8);
    item.folder = folder;
    item.attributes = attributes;
    item.size = folder ? 0 : size;
    item.lastWrite = lastWrite;
    sources_.items.push_back(std::move(item));
  }

  const SourceOptions& options_;
  std::wstring current_;
  Sources sources_;
  std::set<std::wstring> seen_;
};

}  // namespace

std::wstring FromAnsi(const std::string& text) { return Convert(text, CP_ACP); }
std::string ToAnsi(const std::wstring& text) { return ConvertBack(text, CP_ACP); }

std::string StoredName(const std::wstring& name, bool* utf8) {
  *utf8 = std::any_of(name.begin(), name.end(), [](wchar_t c) { return c >= 0x80; });
  return ConvertBack(name, *utf8 ? CP_UTF8 : CP_ACP);
}

bool SameArchiveName(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  std::wstring x = a, y = b;
  std::replace(x.begin(), x.end(), L'/', L'\\');
  std::replace(y.begin(), y.end(), L'/', L'\\');
  return CompareStringOrdinal(x.data(), static_cast<int>(x.size()), y.data(), static_cast<int>(y.size()), TRUE) ==
         CSTR_EQUAL;
}

Sources GatherSources(const std::vector<std::string>& specs, const SourceOptions& options) {
  TGatherer gatherer(options);
  for (const auto& spec : specs) gatherer.Spec(FromAnsi(spec));
  return gatherer.Take();
}

Sources GatherSources(const std::vector<std::wstring>& specs, const SourceOptions& options) {
  TGatherer gatherer(options);
  for (const auto& spec : specs) gatherer.Spec(spec);
  return gatherer.Take();
}

}  // namespace zipdll

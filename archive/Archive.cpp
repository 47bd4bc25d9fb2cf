#include "archive/Archive.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

namespace quill {
namespace {

std::string_view FolderPart(std::string_view path) {
  const size_t slash = path.rfind('\\');
  return slash == std::string_view::npos ? std::string_view() : path.substr(0, slash);
}

std::string_view LastComponent(std::string_view path) {
  const size_t slash = path.rfind('\\');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

}  // namespace

TArchive::TArchive(TArchiveServices services) : services_(std::move(services)) {
  if (!services_.collator) services_.collator = &TAsciiCollator::Instance();
}

TArchive::~TArchive() { ClearEntries(); }

void TArchive::Open(const std::string& path) {
  FileName = path;
  if (!services_.fileSystem || services_.fileSystem->FileExists(path)) List();
}

void TArchive::AddFolderEntry(std::string path, ArchiveEntry entry) {
  Folders.push_back({std::move(path), std::move(entry)});
}

void TArchive::AddFileEntry(std::string path, ArchiveEntry entry) {
  Files.push_back({std::move(path), std::move(entry)});
}

std::string TArchive::SortKey(std::string_view path) const {
  std::string key;
  services_.collator->AppendSortKey(path, key);
  return key;
}

int TArchive::FindFolder(std::string_view path) const {
  const std::string key = SortKey(path);
  auto it = std::lower_bound(sorted_.begin(), sorted_.end(), key,
                             [](const std::pair<std::string, int>& item, const std::string& k) { return item.first < k; });
  return it != sorted_.end() && it->first == key ? it->second : -1;
}

void TArchive::BuildFolders() {
  // The sorted index stands in for sorting Folders itself: Folders keeps its order, so parent
  // indexes given out earlier stay right.
  sorted_.clear();
  sorted_.reserve(Folders.size());
  for (size_t i = 0; i < Folders.size(); ++i) sorted_.emplace_back(SortKey(Folders[i].path), static_cast<int>(i));
  std::stable_sort(sorted_.begin(), sorted_.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });

  // Folders made here, by key, until they join the index at the end.
  std::map<std::string, int> added;
  auto known = [&](const std::string& key) {
    auto it = std::lower_bound(sorted_.begin(), sorted_.end(), key,
                               [](const std::pair<std::string, int>& item, const std::string& k) { return item.first < k; });
    return (it != sorted_.end() && it->first == key) || added.count(key) != 0;
  };

  // Entries of one folder usually come together: the walk up runs only when the folder changes.
  // Folder entries walk too, so an empty "a\b" stored alone still sits inside an "a".
  auto walkUp = [&](std::vector<TArchiveItem>& items) {
    std::string previous;
    bool first = true;
    for (size_t i = 0; i < items.size(); ++i) {
      const std::string_view folder = FolderPart(items[i].path);
      if (!first && folder == previous) continue;
      first = false;
      previous.assign(folder);
      const uint64_t time = items[i].entry.time;
      std::string walk(folder);  // a copy: appending to Folders may move the item's path
      while (!walk.empty()) {
        std::string key = SortKey(walk);
        if (!known(key)) {
          ArchiveEntry entry;
          entry.name.assign(LastComponent(walk));
          entry.attributes = kArchiveFolderAttribute;
          entry.time = time;
          added.emplace(std::move(key), static_cast<int>(Folders.size()));
          Folders.push_back({walk, std::move(entry)});
        }
        walk.resize(FolderPart(walk).size());
      }
    }
  };
  walkUp(Files);
  walkUp(Folders);
  if (!added.empty()) {
    for (auto& [key, index] : added) sorted_.emplace_back(key, index);
    std::stable_sort(sorted_.begin(), sorted_.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
  }

  auto setParents = [this](std::vector<TArchiveItem>& items) {
    std::string previousFolder;
    int previousParent = -1;
    bool haveFirst = false;
    for (TArchiveItem& item : items) {
      const std::string_view folder = FolderPart(item.path);
      if (!haveFirst || folder != previousFolder) {
        previousFolder.assign(folder);
        previousParent = folder.empty() ? -1 : FindFolder(folder);
        haveFirst = true;
      }
      item.entry.parent = previousParent;
    }
  };
  setParents(Folders);
  setParents(Files);
}

bool TArchive::ChangeFolder(const std::string& name) {
  const std::string old = CurrentFolder;
  std::string result;
  if (name.empty()) {
    result.clear();
  } else if (name == "..") {
    result.assign(FolderPart(old));
  } else if (name == "\\") {
    result.clear();
  } else if (name[0] == '\\') {
    result = name.substr(1, 255);
  } else {
    result = old.empty() ? name : old + "\\" + name;
  }
  if (!result.empty() && result.back() == '\\') result.pop_back();
  if (result.empty() || FindFolder(result) >= 0) {
    CurrentFolder = result;
    return true;
  }
  CurrentFolder = old;
  return false;
}

void TArchive::FillList(TFiles& list) const {
  int current = -1;
  if (!CurrentFolder.empty()) {
    current = FindFolder(CurrentFolder);
    if (current < 0) return;
  }
  for (const TArchiveItem& item : Folders)
    if (item.entry.parent == current)
      list.AddFile(item.entry.name, item.entry.originalSize, item.entry.attributes, item.entry.time);
  for (const TArchiveItem& item : Files)
    if (item.entry.parent == current)
      list.AddFile(item.entry.name, item.entry.originalSize, item.entry.attributes, item.entry.time);
}

uint64_t TArchive::OriginalTotal() const {
  uint64_t total = 0;
  for (const TArchiveItem& item : Files) total += item.entry.originalSize;
  return total;
}

uint64_t TArchive::PackedTotal() const {
  uint64_t total = 0;
  for (const TArchiveItem& item : Files) total += item.entry.packedSize;
  return total;
}

uint64_t TArchive::Ratio() const {
  const uint64_t original = OriginalTotal();
  const uint64_t packed = PackedTotal();
  if (original == 0) return 0;
  if (packed <= std::numeric_limits<uint64_t>::max() / 100) {
    const uint64_t scaled = packed * 100;
    return scaled / original + (scaled % original != 0);
  }
  return static_cast<uint64_t>(std::ceil(static_cast<long double>(packed) * 100 / original));
}

void TArchive::ClearEntries() {
  Files.clear();
  Folders.clear();
  sorted_.clear();
}

bool TArchive::AskPassword(std::string& text) {
  text.clear();
  if (!services_.questions) return false;
  if (services_.questions->AskMaskedText(Text(kTextPasswordCaption), Text(kTextPasswordPrompt), text, '*') == mrOk)
    return true;
  text.clear();
  return false;
}

void TArchive::ExpandFolders(std::vector<TSelectionItem>& list) {
  for (TSelectionItem& item : list)
    if (item.folder) item.path += "\\*.*";
}

}  // namespace quill

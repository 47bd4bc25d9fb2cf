#include "fileview/File.h"

#include <cstring>
#include <unordered_map>

#include "base/Path.h"

namespace quill {

void TFile::SetPath(std::string_view path) {
  switch (Kind()) {
    case kKindFolder: name_.assign(path); break;
    case kKindDrive: break;
    default: {
      auto [base, ext] = SplitName(FileNamePart(path));
      name_ = std::move(base);
      ext_ = std::move(ext);
    }
  }
}

int TFile::Kind() const {
  if (Attributes & faDirectory) return kKindFolder;
  if (Attributes & faDrive) return kKindDrive;
  return kKindFile;
}

std::string TFile::FullName() const {
  switch (Kind()) {
    case kKindDrive: return name_ + ":\\";
    case kKindFolder: return name_;
    default: return ext_.empty() ? name_ : name_ + "." + ext_;
  }
}

void TFiles::Grow() {
  int delta = capacity_ > 64 ? capacity_ / 4 : (capacity_ > 8 ? 16 : 4);
  capacity_ += delta;
  items_.reserve(capacity_);
}

void TFiles::Add(std::unique_ptr<TFile> file) {
  if (Count() == capacity_) Grow();
  items_.push_back(std::move(file));
  Changed();
}

TFile* TFiles::AddEntry(std::string_view name, std::string_view ext, uint32_t attributes, uint64_t time,
                        uint64_t size) {
  auto file = std::make_unique<TFile>();
  file->SetName(name);
  file->SetExt(ext);
  file->Attributes = attributes;
  file->Time = time;
  file->Size = size;
  TFile* raw = file.get();
  Add(std::move(file));
  return raw;
}

std::unique_ptr<TFile> TFiles::MakeFile(std::string_view fileName, uint64_t size, uint32_t attributes,
                                        uint64_t time) {
  auto file = std::make_unique<TFile>();
  file->Attributes = attributes;
  file->Time = time;
  if (attributes & (faDirectory | faDrive)) {
    file->SetName(fileName);
    return file;
  }
  // Split in place: a scan makes 100,000 of these, and temporaries would double the allocations.
  const size_t dot = fileName.rfind('.');
  if (dot == std::string_view::npos) {
    file->SetName(fileName);
  } else {
    file->SetName(fileName.substr(0, dot));
    file->SetExt(fileName.substr(dot + 1));
  }
  file->Size = size;
  return file;
}

TFile* TFiles::AddFile(std::string_view fileName, uint64_t size, uint32_t attributes, uint64_t time) {
  auto file = MakeFile(fileName, size, attributes, time);
  TFile* raw = file.get();
  Add(std::move(file));
  return raw;
}

void TFiles::Delete(int i) {
  if (i < 0 || i >= Count()) return;
  items_.erase(items_.begin() + i);
  Changed();
}

void TFiles::Clear() {
  items_.clear();
  items_.shrink_to_fit();
  capacity_ = 0;
}

void TFiles::EndUpdate() {
  if (updateCount_ > 0) --updateCount_;
  Changed();
}

void TFiles::Changed() {
  if (Updating()) return;
  for (int i = 0; i < Count(); ++i) items_[i]->Index = i;
  if (OnChange) OnChange(*this);
}

int TFiles::IndexOf(std::string_view fullName) const {
  for (int i = 0; i < Count(); ++i)
    if (collator_->SameName(items_[i]->FullName(), fullName)) return i;
  return -1;
}

int TFiles::CountKind(int kind) const {
  int n = 0;
  for (const auto& f : items_)
    if (f->Kind() == kind) ++n;
  return n;
}

uint64_t TFiles::FilesSize() const {
  uint64_t total = 0;
  for (const auto& f : items_)
    if (f->Kind() == kKindFile) total += f->Size;
  return total;
}

void TFiles::Sort(TFileSortType sortType) {
  if (sortType == fstNone) return;
  int folders = CountKind(kKindFolder);
  int files = CountKind(kKindFile);
  if (folders > 1) {
    int first = (items_[0]->Name() == "..") ? 1 : 0;
    TFileSortType folderOrder = (sortType == fstExt || sortType == fstSize) ? fstName : sortType;
    SortRange(first, folders - 1, folderOrder);
  }
  if (files > 1) SortRange(folders, folders + files - 1, sortType);
  Changed();
}

namespace {

// One entry of a range being sorted, with its collation keys computed once: comparing keys
// is a memcmp, where comparing names would be a locale call per comparison.
struct TSortRecord {
  TFile* file;
  uint32_t nameKey, nameLen;  // offsets into the key arena
  uint32_t extKey, extLen;
};

class TRangeSorter {
public:
  TRangeSorter(const ICollator& collator, TFileSortType sortType) : collator_(collator), sortType_(sortType) {}

  void Sort(std::vector<std::unique_ptr<TFile>>& items, int first, int last) {
    const int n = last - first + 1;
    records_.resize(n);
    arena_.reserve(static_cast<size_t>(n) * 40);
    for (int i = 0; i < n; ++i) {
      TFile* f = items[first + i].get();
      TSortRecord& r = records_[i];
      r.file = f;
      r.nameKey = static_cast<uint32_t>(arena_.size());
      collator_.AppendSortKey(f->Name(), arena_);
      r.nameLen = static_cast<uint32_t>(arena_.size()) - r.nameKey;
      ExtKey(f->Ext(), r);
    }
    order_.resize(n);
    for (int i = 0; i < n; ++i) order_[i] = &records_[i];
    QuickSort(0, n - 1);
    std::vector<TFile*> sorted(n);
    for (int i = 0; i < n; ++i) sorted[i] = order_[i]->file;
    for (int i = 0; i < n; ++i) {
      items[first + i].release();
    }
    for (int i = 0; i < n; ++i) items[first + i].reset(sorted[i]);
  }

private:
  // Extensions repeat across a folder, so their keys are computed once per spelling.
  void ExtKey(const std::string& ext, TSortRecord& r) {
    auto it = extKeys_.find(ext);
    if (it == extKeys_.end()) {
      uint32_t start = static_cast<uint32_t>(arena_.size());
      collator_.AppendSortKey(ext, arena_);
      it = extKeys_.emplace(ext, std::make_pair(start, static_cast<uint32_t>(arena_.size()) - start)).first;
    }
    r.extKey = it->second.first;
    r.extLen = it->second.second;
  }

  int CompareKeys(uint32_t a, uint32_t aLen, uint32_t b, uint32_t bLen) const {
    int c = std::memcmp(arena_.data() + a, arena_.data() + b, aLen < bLen ? aLen : bLen);
    if (c != 0) return c;
    return aLen == bLen ? 0 : (aLen < bLen ? -1 : 1);
  }
  int CompareName(const TSortRecord& a, const TSortRecord& b) const {
    return CompareKeys(a.nameKey, a.nameLen, b.nameKey, b.nameLen);
  }
  int CompareExt(const TSortRecord& a, const TSortRecord& b) const {
    return CompareKeys(a.extKey, a.extLen, b.extKey, b.extLen);
  }
  int CompareNameExt(const TSortRecord& a, const TSortRecord& b) const {
    int c = CompareName(a, b);
    return c != 0 ? c : CompareExt(a, b);
  }

  int Compare(const TSortRecord& a, const TSortRecord& b) const {
    switch (sortType_) {
      case fstExt: {
        int c = CompareExt(a, b);
        return c != 0 ? c : CompareName(a, b);
      }
      case fstSize:
        if (a.file->Size != b.file->Size) return a.file->Size < b.file->Size ? -1 : 1;
        return CompareNameExt(a, b);
      case fstTime:
        if (a.file->Time != b.file->Time) return a.file->Time < b.file->Time ? -1 : 1;
        return CompareNameExt(a, b);
      default: return CompareNameExt(a, b);
    }
  }

  // The classic middle-pivot quicksort (not stable): entries that compare equal end up in the
  // order this exact procedure gives them.
  void QuickSort(int lo, int hi) {
    while (lo < hi) {
      int i = lo, j = hi;
      const TSortRecord* pivot = order_[(lo + hi) / 2];
      do {
        while (Compare(*order_[i], *pivot) < 0) ++i;
        while (Compare(*order_[j], *pivot) > 0) --j;
        if (i <= j) {
          std::swap(order_[i], order_[j]);
          ++i;
          --j;
        }
      } while (i <= j);
      if (lo < j) QuickSort(lo, j);
      lo = i;
    }
  }

  const ICollator& collator_;
  TFileSortType sortType_;
  std::string arena_;
  std::vector<TSortRecord> records_;
  std::vector<const TSortRecord*> order_;
  std::unordered_map<std::string, std::pair<uint32_t, uint32_t>> extKeys_;
};

}  // namespace

void TFiles::SortRange(int first, int last, TFileSortType sortType) {
  TRangeSorter sorter(*collator_, sortType);
  sorter.Sort(items_, first, last);
}

}  // namespace quill

// TFile, one entry of the pane, and TFiles, the ordered list the pane shows: the parent entry
// "..", folders, files, then one entry per drive and the Network entry. Portable.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/Collator.h"
#include "base/FileSystem.h"

namespace quill {

enum TFileSortType { fstName = 0, fstExt = 1, fstSize = 2, fstTime = 3, fstNone = 4 };

// Entry kinds, as CountKind counts them.
constexpr int kKindFile = 0;
constexpr int kKindFolder = 1;
constexpr int kKindDrive = 2;

// ImageIndex values from here up denote the pane's own images (index = 0x7FFFFFFF - value).
constexpr int32_t kOwnImageBase = 0x7FFFFF9C;
constexpr int32_t kParentImage = 0x7FFFFFFF;

class TFile {
public:
  const std::string& Name() const { return name_; }
  const std::string& Ext() const { return ext_; }
  const std::string& Description() const { return description_; }
  const std::string& TypeName() const { return typeName_; }
  void SetName(std::string_view v) { name_.assign(v); }
  void SetExt(std::string_view v) { ext_.assign(v); }
  void SetDescription(std::string_view v) { description_.assign(v); }
  void SetTypeName(std::string_view v) { typeName_.assign(v); }

  // Folder: Name becomes the whole path; file: its name part is split at the last dot;
  // drive entries do not change.
  void SetPath(std::string_view path);

  int Kind() const;  // kKindFolder, kKindDrive or kKindFile, tested in that order
  bool IsFolder() const { return Kind() == kKindFolder; }
  bool IsDrive() const { return Kind() == kKindDrive; }
  bool IsFile() const { return Kind() == kKindFile; }
  bool IsParent() const { return IsFolder() && name_ == ".."; }
  // "C:\" for a drive, Name for a folder, "name.ext" or "name" for a file.
  std::string FullName() const;

  bool Selected = false;
  uint32_t Attributes = 0;
  // Full 64-bit size: files of 4 GiB and more must show and total right.
  uint64_t Size = 0;
  uint64_t Time = 0;  // last-write time, UTC file-time units
  int32_t Index = -1;
  int32_t ImageIndex = -1;
  bool Truncated = false;
  // Put on the clipboard by Cut and still waiting there to be pasted: drawn dimmed.
  bool Cut = false;

private:
  std::string name_, ext_, description_, typeName_;
};

class TFiles {
public:
  explicit TFiles(const ICollator& collator = TAsciiCollator::Instance()) : collator_(&collator) {}
  TFiles(const TFiles&) = delete;
  TFiles& operator=(const TFiles&) = delete;

  void SetCollator(const ICollator& collator) { collator_ = &collator; }
  const ICollator& Collator() const { return *collator_; }

  int Count() const { return static_cast<int>(items_.size()); }
  int Capacity() const { return capacity_; }
  TFile* Items(int i) const { return i >= 0 && i < Count() ? items_[i].get() : nullptr; }

  void Add(std::unique_ptr<TFile> file);
  TFile* AddEntry(std::string_view name, std::string_view ext, uint32_t attributes, uint64_t time, uint64_t size);
  // Folders and drive entries keep the whole name; files are split at the last dot.
  TFile* AddFile(std::string_view fileName, uint64_t size, uint32_t attributes, uint64_t time);
  // The entry AddFile would add, not yet in any list.
  static std::unique_ptr<TFile> MakeFile(std::string_view fileName, uint64_t size, uint32_t attributes, uint64_t time);
  void Delete(int i);
  void Clear();

  void BeginUpdate() { ++updateCount_; }
  void EndUpdate();
  bool Updating() const { return updateCount_ != 0; }
  void Changed();

  int IndexOf(std::string_view fullName) const;
  int CountKind(int kind) const;
  uint64_t FilesSize() const;
  void Sort(TFileSortType sortType);

  std::function<void(TFiles&)> OnChange;

private:
  void Grow();
  void SortRange(int first, int last, TFileSortType sortType);

  const ICollator* collator_;
  std::vector<std::unique_ptr<TFile>> items_;
  int capacity_ = 0;
  int updateCount_ = 0;
};

}  // namespace quill

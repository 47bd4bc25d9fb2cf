// quill.ini and its kin: sections and keys compared without regard to ASCII case, reads see the
// latest writes at once, and nothing reaches the disk before Flush. Flush applies this object's
// own changes to the file as it is then, so what others wrote to other keys meanwhile stays. Portable: the file bytes go
// through IFileStore, the encoding through ICodePage.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/CodePage.h"
#include "base/FileStore.h"

namespace quill {

class TIniFile {
public:
  // Reads the file at once; a missing or unreadable file is an empty one.
  TIniFile(IFileStore& store, const ICodePage& codePage, std::string path);

  const std::string& Path() const { return path_; }

  // A value in matching double or single quotes is returned without them.
  std::string ReadString(std::string_view section, std::string_view key, std::string_view fallback) const;
  // A value that is not a whole decimal number (or overflows 32 bits) gives the fallback.
  int32_t ReadInteger(std::string_view section, std::string_view key, int32_t fallback) const;
  // Integers: 0 false, any other number true; a non-number gives the fallback.
  bool ReadBool(std::string_view section, std::string_view key, bool fallback) const;
  bool ValueExists(std::string_view section, std::string_view key) const;
  std::vector<std::string> ReadSection(std::string_view section) const;  // key names, file order
  std::vector<std::string> Sections() const;

  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view key, int32_t value);
  void WriteBool(std::string_view section, std::string_view key, bool value);  // "1" / "0"
  void DeleteKey(std::string_view section, std::string_view key);
  void EraseSection(std::string_view section);

  // When anything changed since the last flush: reads the file again, applies the changes made
  // through this object since then, and writes it whole (atomically, through the store). Returns
  // 0 or the store's error code; the contents stay in memory either way.
  uint32_t Flush();
  bool Modified() const { return modified_; }

private:
  // One change made through this object, replayed onto the file as it is at the next flush.
  struct TChange {
    enum { kWrite, kDelete, kErase } kind;
    std::string section, key, value;
  };
  struct TEntry {
    std::string key;    // as first written; empty for comment or garbage lines kept verbatim
    std::string value;  // or the whole line for kept lines
    bool isKey = true;
  };
  struct TSection {
    std::string name;
    std::vector<TEntry> entries;
  };
  TSection* FindSection(std::string_view name);
  const TSection* FindSection(std::string_view name) const;
  const TEntry* FindEntry(std::string_view section, std::string_view key) const;
  void Parse(const std::string& bytes);
  // Each says whether the contents changed.
  bool ApplyWrite(std::string_view section, std::string_view key, std::string_view value);
  bool ApplyDelete(std::string_view section, std::string_view key);
  bool ApplyErase(std::string_view section);
  void Record(TChange change);
  void Replay();

  IFileStore& store_;
  const ICodePage& codePage_;
  std::string path_;
  std::vector<std::string> preamble_;  // lines before the first section, kept verbatim
  std::vector<TSection> sections_;
  std::vector<TChange> changes_;
  bool modified_ = false;
};

}  // namespace quill

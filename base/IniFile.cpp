#include "base/IniFile.h"

#include <iterator>
#include <utility>
#include <vector>

#include "base/Text.h"
#include "base/TextFile.h"

namespace quill {

TIniFile::TIniFile(IFileStore& store, const ICodePage& codePage, std::string path)
    : store_(store), codePage_(codePage), path_(std::move(path)) {
  std::string bytes;
  if (store_.ReadAll(path_, bytes)) Parse(bytes);
}

void TIniFile::Parse(const std::string& bytes) {
  preamble_.clear();
  sections_.clear();
  TSection* current = nullptr;
  for (const std::string& line : DecodeLines(bytes, codePage_)) {
    const std::string_view trimmed = TrimView(line);
    if (trimmed.size() >= 2 && trimmed.front() == '[' && trimmed.back() == ']') {
      sections_.push_back({std::string(TrimView(trimmed.substr(1, trimmed.size() - 2))), {}});
      current = &sections_.back();
      continue;
    }
    const size_t eq = line.find('=');
    const bool isKey = eq != std::string::npos && !trimmed.empty() && trimmed.front() != ';' &&
                       !TrimView(std::string_view(line).substr(0, eq)).empty();
    TEntry entry;
    if (isKey) {
      entry.key = Trim(std::string_view(line).substr(0, eq));
      entry.value = Trim(std::string_view(line).substr(eq + 1));
    } else {
      entry.isKey = false;
      entry.value = line;
    }
    if (current) current->entries.push_back(std::move(entry));
    else preamble_.push_back(line);
  }
}

TIniFile::TSection* TIniFile::FindSection(std::string_view name) {
  for (TSection& s : sections_)
    if (SameTextAscii(s.name, name)) return &s;
  return nullptr;
}

const TIniFile::TSection* TIniFile::FindSection(std::string_view name) const {
  for (const TSection& s : sections_)
    if (SameTextAscii(s.name, name)) return &s;
  return nullptr;
}

const TIniFile::TEntry* TIniFile::FindEntry(std::string_view section, std::string_view key) const {
  const TSection* s = FindSection(section);
  if (!s) return nullptr;
  for (const TEntry& e : s->entries)
    if (e.isKey && SameTextAscii(e.key, key)) return &e;
  return nullptr;
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key, std::string_view fallback) const {
  const TEntry* e = FindEntry(section, key);
  if (!e) return std::string(fallback);
  // A value in matching quotes is read without them, as the system's own reader does, so a
  // folder written as "C:\My Files" by hand is found.
  const std::string& v = e->value;
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
    return v.substr(1, v.size() - 2);
  return v;
}

int32_t TIniFile::ReadInteger(std::string_view section, std::string_view key, int32_t fallback) const {
  const TEntry* e = FindEntry(section, key);
  int64_t value;
  if (!e || !ParseInt(e->value, value) || value < INT32_MIN || value > INT32_MAX) return fallback;
  return static_cast<int32_t>(value);
}

bool TIniFile::ReadBool(std::string_view section, std::string_view key, bool fallback) const {
  const TEntry* e = FindEntry(section, key);
  int64_t value;
  if (!e || !ParseInt(e->value, value)) return fallback;
  return value != 0;
}

bool TIniFile::ValueExists(std::string_view section, std::string_view key) const {
  return FindEntry(section, key) != nullptr;
}

namespace {
// Duplicates are listed once (first spelling), matching the first-wins lookup.
void AddUnique(std::vector<std::string>& names, const std::string& name) {
  for (const std::string& n : names)
    if (SameTextAscii(n, name)) return;
  names.push_back(name);
}
}  // namespace

std::vector<std::string> TIniFile::ReadSection(std::string_view section) const {
  std::vector<std::string> keys;
  if (const TSection* s = FindSection(section))
    for (const TEntry& e : s->entries)
      if (e.isKey) AddUnique(keys, e.key);
  return keys;
}

std::vector<std::string> TIniFile::Sections() const {
  std::vector<std::string> names;
  for (const TSection& s : sections_) AddUnique(names, s.name);
  return names;
}

void TIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  if (ApplyWrite(section, key, value)) Record({TChange::kWrite, std::string(section), std::string(key), std::string(value)});
}

bool TIniFile::ApplyWrite(std::string_view section, std::string_view key, std::string_view value) {
  TSection* s = FindSection(section);
  if (!s) {
    sections_.push_back({std::string(section), {}});
    s = &sections_.back();
  }
  for (TEntry& e : s->entries) {
    if (e.isKey && SameTextAscii(e.key, key)) {
      if (e.value == value) return false;
      e.value.assign(value);
      return true;
    }
  }
  // New keys go before the blank lines that end the section, so sections stay separated.
  auto pos = s->entries.end();
  while (pos != s->entries.begin() && !std::prev(pos)->isKey && TrimView(std::prev(pos)->value).empty()) --pos;
  s->entries.insert(pos, TEntry{std::string(key), std::string(value), true});
  return true;
}

void TIniFile::WriteInteger(std::string_view section, std::string_view key, int32_t value) {
  WriteString(section, key, std::to_string(value));
}

void TIniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

// Every copy goes, so that a hidden duplicate does not surface as the value after a delete.
void TIniFile::DeleteKey(std::string_view section, std::string_view key) {
  if (ApplyDelete(section, key)) Record({TChange::kDelete, std::string(section), std::string(key), {}});
}

bool TIniFile::ApplyDelete(std::string_view section, std::string_view key) {
  TSection* s = FindSection(section);
  if (!s) return false;
  const size_t before = s->entries.size();
  std::erase_if(s->entries, [&](const TEntry& e) { return e.isKey && SameTextAscii(e.key, key); });
  return s->entries.size() != before;
}

void TIniFile::EraseSection(std::string_view section) {
  if (ApplyErase(section)) Record({TChange::kErase, std::string(section), {}, {}});
}

bool TIniFile::ApplyErase(std::string_view section) {
  const size_t before = sections_.size();
  std::erase_if(sections_, [&](const TSection& s) { return SameTextAscii(s.name, section); });
  return sections_.size() != before;
}

void TIniFile::Record(TChange change) {
  changes_.push_back(std::move(change));
  modified_ = true;
}

void TIniFile::Replay() {
  for (const TChange& c : changes_) {
    switch (c.kind) {
      case TChange::kWrite: ApplyWrite(c.section, c.key, c.value); break;
      case TChange::kDelete: ApplyDelete(c.section, c.key); break;
      case TChange::kErase: ApplyErase(c.section); break;
    }
  }
}

uint32_t TIniFile::Flush() {
  if (!modified_) return 0;
  // Our changes go onto the file as it is now, not onto the copy read at start: keys another
  // program (or another window of ours) wrote meanwhile survive, as they would between two
  // calls of the system's profile functions.
  std::string bytes;
  if (store_.ReadAll(path_, bytes)) {
    Parse(bytes);
    Replay();
  }
  std::vector<std::string> lines = preamble_;
  for (const TSection& s : sections_) {
    lines.push_back("[" + s.name + "]");
    for (const TEntry& e : s.entries) lines.push_back(e.isKey ? e.key + "=" + e.value : e.value);
  }
  const uint32_t error = store_.WriteAll(path_, EncodeLines(lines, codePage_));
  if (error == 0) {
    modified_ = false;
    changes_.clear();
  }
  return error;
}

}  // namespace quill

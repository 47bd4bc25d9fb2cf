#include "operations/AttribRun.h"

#include "base/Path.h"
#include "base/Text.h"
#include "messages/Questions.h"

namespace quill {
namespace {

// Characters `from` (1-based) on, `count` of them, as a number; the fallback when they are
// missing or are not all digits.
int Field(const std::string& text, size_t from, size_t count, int fallback) {
  if (text.size() < from - 1 + count) return fallback;
  int value = 0;
  for (size_t i = from - 1; i < from - 1 + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return fallback;
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

int DaysIn(int year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

bool ApplyToFile(const std::string& path, const TAttribValues& values, IFileSystem& fileSystem,
                 IEntryChanges& changes) {
  if (values.applyTime) return changes.SetEntryTimes(path, values.time) == 0;
  return fileSystem.SetAttributes(path, values.attributes);
}

bool ApplyBelow(const std::string& folder, const TAttribValues& values, IFileSystem& fileSystem,
                IEntryChanges& changes) {
  // Listed first and changed afterwards: the walk does not depend on how the system's
  // enumeration behaves while entries change under it.
  std::vector<TFindData> entries;
  if (!fileSystem.Enumerate(JoinPath(folder, "*.*"), [&](const TFindData& found) { entries.push_back(found); }))
    return false;
  for (const TFindData& entry : entries) {
    if (entry.name == "." || entry.name == "..") continue;
    const std::string path = JoinPath(folder, entry.name);
    const bool ok = (entry.attributes & faDirectory) ? ApplyBelow(path, values, fileSystem, changes)
                                                      : ApplyToFile(path, values, fileSystem, changes);
    if (!ok) return false;
  }
  return true;
}

}  // namespace

bool TypeMaskDigit(TTimeMask mask, std::string& text, int& caret, char digit) {
  if (digit < '0' || digit > '9' || caret < 0) return false;
  const int p = caret;
  if (mask == tmDate) {
    if (p >= 10 || p == 4 || p == 7) return false;
    if (p == 5 && digit > '1') return false;
    if (p == 8 && digit > '3') return false;
  } else {
    if (p >= 5 || p == 2) return false;
    if (p == 0 && digit > '2') return false;
    if (p == 3 && digit > '5') return false;
  }
  if (text.size() <= static_cast<size_t>(p)) text.resize(static_cast<size_t>(p) + 1, '0');
  text[static_cast<size_t>(p)] = digit;
  caret = p + 1;
  if ((mask == tmDate && (p == 3 || p == 6)) || (mask == tmTime && p == 1)) ++caret;
  return true;
}

std::optional<TCalendarTime> ParseAttribTime(const std::string& date, const std::string& time) {
  TCalendarTime t;
  t.year = Field(date, 1, 4, 2000);
  t.month = Field(date, 6, 2, 1);
  t.day = Field(date, 9, 2, 1);
  t.hour = Field(time, 1, 2, 0);
  t.minute = Field(time, 4, 2, 0);
  // File times begin in 1601.
  if (t.year < 1601 || t.month < 1 || t.month > 12 || t.day < 1 || t.day > DaysIn(t.year, t.month)) return std::nullopt;
  if (t.hour > 23 || t.minute > 59) return std::nullopt;
  return t;
}

bool ApplyAttribValues(const std::string& path, bool isFolder, const TAttribValues& values, IFileSystem& fileSystem,
                       IEntryChanges& changes) {
  if (!isFolder) return ApplyToFile(path, values, fileSystem, changes);
  if (values.recurse) return ApplyBelow(path, values, fileSystem, changes);
  if (values.applyTime) return false;
  return fileSystem.SetAttributes(path, values.attributes | faDirectory);
}

int ChangeAttributes(TQuillView& view, const std::vector<int>& items, IAttribAsker& asker, IFileSystem& fileSystem,
                     IEntryChanges& changes) {
  TAttribValues values;
  bool all = false;
  int changed = 0;
  const int count = static_cast<int>(items.size());
  for (int k = 0; k < count; ++k) {
    TFile* file = view.Files().Items(items[static_cast<size_t>(k)]);
    if (!file) continue;
    if (!all) {
      const int answer = asker.Ask(*file, k + 1, count, values);
      if (answer != mrOk && answer != mrAll) break;
      all = answer == mrAll;
    }
    const bool folder = file->IsFolder();
    if (!ApplyAttribValues(JoinPath(view.Folder(), file->FullName()), folder, values, fileSystem, changes)) continue;
    ++changed;
    if (!values.recurse || !folder) {
      if (values.applyTime) file->Time = values.time;
      else file->Attributes = values.attributes | (folder ? faDirectory : 0);
    }
    if (file->Selected) view.Deselect(items[static_cast<size_t>(k)]);
  }
  view.Invalidate();
  return changed;
}

}  // namespace quill

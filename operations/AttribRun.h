// Attributes/Time: the rules of the dialog's two masked time edits, the reading of their text,
// and the main window's loop over the selection. Portable.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/FileSystem.h"
#include "fileview/FileUtils.h"
#include "fileview/QuillView.h"
#include "operations/RenameSystem.h"

namespace quill {

// The two masked edits: "YYYY-MM-DD" and "HH:MM", typed over in place.
enum TTimeMask { tmDate, tmTime };

// A digit typed at `caret`: when the mask takes it, the character there is replaced and the
// caret moves on (over the "-" or ":" that follows); false, and nothing changed, otherwise.
bool TypeMaskDigit(TTimeMask mask, std::string& text, int& caret, char digit);

// The edits' texts as a local calendar time: year from characters 1-4 of the date (2000 when not
// a number), month 6-7 (1), day 9-10 (1), hour 1-2 of the time (0), minute 4-5 (0). The mask lets
// through dates that do not exist (month 19, 31 February, hour 29): those give nothing.
std::optional<TCalendarTime> ParseAttribTime(const std::string& date, const std::string& time);

// What the dialog holds when it closes.
struct TAttribValues {
  uint32_t attributes = 0;  // read-only, hidden, system, archive bits
  bool applyTime = false;   // Change Date/Time
  uint64_t time = 0;        // UTC file time, with applyTime
  bool recurse = false;
};

class IAttribAsker {
public:
  virtual ~IAttribAsker() = default;
  // Shows the dialog for `file` (position 1-based of `count`), its boxes set from the entry;
  // mrOk, mrAll or mrCancel, with `values` filled on OK and All.
  virtual int Ask(const TFile& file, int position, int count, TAttribValues& values) = 0;
};

// The Attributes/Time command over `items` (indexes into the view's list). After All the rest get
// the same values without asking; Cancel ends the run. A change that succeeds deselects its entry
// (and a file's stored attributes and time follow); a failure leaves it selected and says
// nothing. Returns how many entries were changed.
int ChangeAttributes(TQuillView& view, const std::vector<int>& items, IAttribAsker& asker, IFileSystem& fileSystem,
                     IEntryChanges& changes);

// One entry's change: a file gets the time or exactly the bits; a folder gets the bits plus the
// folder bit, or with `recurse` every file below it gets the time or the bits (the folders keep
// theirs) until the first failure. False when something failed or, for a folder's time without
// `recurse`, when nothing was to be done.
bool ApplyAttribValues(const std::string& path, bool isFolder, const TAttribValues& values, IFileSystem& fileSystem,
                       IEntryChanges& changes);

}  // namespace quill

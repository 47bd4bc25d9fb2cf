// The Rename command's loop over the selection: one question per entry (or the names Advanced
// Rename computed for all of them), every new name checked before it reaches the disk, and a
// move that never replaces another entry. Portable.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "fileview/QuillView.h"
#include "messages/Questions.h"
#include "operations/RenameSystem.h"

namespace quill {

class IRenameAsker {
public:
  virtual ~IRenameAsker() = default;
  // The Rename dialog for entry `index`: mrOk with newNames[index] set, mrAll when Advanced
  // Rename filled newNames from `index` on, or mrCancel.
  virtual int Ask(size_t index, const std::vector<std::string>& oldNames, std::vector<std::string>& newNames) = 0;
};

struct TRenamedFolder {
  std::string oldPath;  // full path before
  std::string newName;  // the new last component
};

struct TRenameOutcome {
  int renamed = 0;
  std::vector<TRenamedFolder> folders;
  bool descriptionsMoved = false;  // a renamed entry had a description
  std::string focusName;           // the focused entry's name now, for the rescan
};

// Renames the entries `items` of the view's list in its folder. A new name that the file system
// would refuse, or one naming another existing entry, is reported with the system's message
// under `errorCaption`; the entry is asked again, or, after All, the run ends there. Renamed
// entries take their new names (their descriptions stay with them); nothing is rescanned.
TRenameOutcome RenameEntries(TQuillView& view, const std::vector<int>& items, IRenameAsker& asker,
                             IEntryChanges& changes, IQuestions& questions, const std::string& errorCaption);

}  // namespace quill

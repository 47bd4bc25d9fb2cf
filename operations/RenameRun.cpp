#include "operations/RenameRun.h"

#include "base/Path.h"
#include "operations/BatchRename.h"

namespace quill {

TRenameOutcome RenameEntries(TQuillView& view, const std::vector<int>& items, IRenameAsker& asker,
                             IEntryChanges& changes, IQuestions& questions, const std::string& errorCaption) {
  TRenameOutcome outcome;
  TFiles& files = view.Files();
  const TFile* focused = view.FocusedFile();
  if (focused) outcome.focusName = focused->FullName();
  std::vector<TFile*> entries;
  std::vector<std::string> oldNames;
  for (const int i : items)
    if (TFile* file = files.Items(i)) {
      entries.push_back(file);
      oldNames.push_back(file->FullName());
    }
  std::vector<std::string> newNames(oldNames.size());

  bool all = false;
  for (size_t i = 0; i < entries.size();) {
    if (!all) {
      const int answer = asker.Ask(i, oldNames, newNames);
      if (answer != mrOk && answer != mrAll) break;
      all = answer == mrAll;
    }
    // A folder part is refused with the rest: a rename never moves the entry elsewhere.
    std::string name = newNames[i];
    uint32_t error = CheckNewName(name);
    const std::string oldPath = JoinPath(view.Folder(), oldNames[i]);
    // The same spelling is nothing to do; a change of case alone is the system's to make.
    if (error == 0 && name != oldNames[i]) error = changes.MoveEntry(oldPath, JoinPath(view.Folder(), name));
    if (error != 0) {
      questions.ShowError(error, errorCaption, true);
      if (all) break;
      continue;  // the same entry is asked again
    }
    TFile* file = entries[i];
    if (name != oldNames[i]) {
      ++outcome.renamed;
      if (file == focused) outcome.focusName = name;
      outcome.descriptionsMoved = outcome.descriptionsMoved || !file->Description().empty();
      if (file->IsFolder()) {
        file->SetName(name);
        file->SetExt({});
        outcome.folders.push_back({oldPath, name});
      } else {
        const size_t dot = name.rfind('.');
        file->SetName(dot == std::string::npos ? std::string_view(name) : std::string_view(name).substr(0, dot));
        file->SetExt(dot == std::string::npos ? std::string_view() : std::string_view(name).substr(dot + 1));
      }
    }
    ++i;
  }
  return outcome;
}

}  // namespace quill

// The main window's Attributes/Time and Rename: the dialogs asked over the collected entries,
// the changes applied through the loops of operations/, and what the pane, the descriptions and
// the tree cache get afterwards.
#include <windows.h>

#include "app/MainForm.h"
#include "operations/AttribDialog.h"
#include "operations/AttribRun.h"
#include "operations/RenameChanges.h"
#include "operations/RenameDialog.h"
#include "operations/RenameRun.h"
#include "messages/Messages.h"
#include "platform/Win32FileSystem.h"
#include "platform/StringTable.h"

namespace quill {

void TMainForm::AttributesCommand() {
  if (view_.OwnerData()) return;
  const std::vector<int> items = CollectedEntries();
  if (items.empty()) return;
  TfAttrib dialog(Handle());
  if (!dialog.Handle()) return;
  TWin32EntryChanges changes;
  notify_.SetActive(false);
  ChangeAttributes(view_, items, dialog, TWin32FileSystem::Instance(), changes);
  notify_.SetActive(autoRefresh_);
  view_.Invalidate();
  UpdateFileInfo();
  UpdateSelectionInfo();
}

void TMainForm::RenameCommand() {
  if (view_.OwnerData()) return;
  const std::vector<int> items = CollectedEntries();
  if (items.empty()) return;
  TfRename dialog(Handle());
  if (!dialog.Handle()) return;
  TWin32EntryChanges changes;
  notify_.SetActive(false);
  const TRenameOutcome outcome = RenameEntries(view_, items, dialog, changes, Questions(), LoadText(kTextError));
  if (outcome.renamed > 0) {
    // Written before the rescan, which reads the descriptions back under the new names.
    if (outcome.descriptionsMoved) ShowFileError(view_.SaveDescript());
    for (const TRenamedFolder& folder : outcome.folders) CacheFolderRenamed(folder.oldPath, folder.newName);
  }
  view_.Refresh(outcome.focusName, true);
  UpdateFileInfo();
  UpdateSelectionInfo();
  notify_.SetActive(autoRefresh_);
}

}  // namespace quill

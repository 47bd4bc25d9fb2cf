// The copy, move and delete engine. One object per command: fill Sources, run it once, read
// back which items succeeded. It runs on the user-interface thread; the progress dialog is
// reached only through ICopyProgress / IDeleteProgress, and every question (name conflicts,
// errors, important attributes) goes through IQuestions, so the engine itself opens no window.
//
// Results per item: 0 done, -1 skipped, otherwise a Win32 error code (operations/OperationRules.h).
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "messages/Questions.h"
#include "operations/OperationRules.h"
#include "operations/Progress.h"
#include "platform/FileIdentity.h"

namespace quill {

class TFile;

class TFileFunction {
public:
  TFileFunction(HWND owner, IQuestions& questions);
  virtual ~TFileFunction() = default;
  TFileFunction(const TFileFunction&) = delete;
  TFileFunction& operator=(const TFileFunction&) = delete;

  // Adds a source with the pane's entry for it (not owned; may be null).
  void AddSource(const std::string& path, const TFile* entry = nullptr);
  // The entry that came with source i, or null.
  const TFile* Entry(size_t i) const;

  // The number of items done in the last run; whether item i was.
  int SucceededCount() const;
  bool Succeeded(size_t i) const;

  HWND Owner;
  // After a run: 1 per source that completed, 0 for skipped, failed or not reached.
  std::vector<uint8_t> Done;
  // Full paths (or paths relative to the current folder).
  std::vector<std::string> Sources;
  // Parallel to Sources; shorter when sources were added without entries.
  std::vector<const TFile*> Entries;
  bool ShowProgress = true;
  // Set when the user escapes the important-attributes confirmation.
  bool Cancelled = false;

protected:
  // The error box after a failed item: with Yes and No while more sources follow (true: go on),
  // with OK for the last one (false).
  bool ContinueAfterError(int32_t code, size_t index) const;

  IQuestions& questions_;
};

class TFileDelete : public TFileFunction {
public:
  // `progress` may be null when ShowProgress is false.
  TFileDelete(HWND owner, IQuestions& questions, IDeleteProgress* progress);

  // Deletes every source; the last item's result.
  int32_t Execute();
  void SetUseRecycleBin(bool use) { UseRecycleBin = use; }
  int32_t DeleteOneFile(const std::string& path);
  // Deletes a folder with everything inside it.
  int32_t DeleteFolder(const std::string& path);
  // Everything inside `folder`, recursively; the folder itself stays.
  int32_t DeleteContents(const std::string& folder);
  // The important-attributes confirmation for an item with the read-only, hidden or system
  // attribute: 0 go on, -1 skip it, 1223 stop. `skip` is set for -1.
  int32_t AskImportant(const std::string& path, uint32_t attributes, bool& skip);

  // The same as the public ones when the caller knows the attributes already (the folder walk,
  // the move that removes its sources), so they are not read a second time.
  int32_t DeleteOneFile(const std::string& path, DWORD attributes);
  int32_t DeleteFolder(const std::string& path, DWORD attributes);

  // Files go to the recycle bin one by one (the shell's silent delete with undo); folders are
  // removed directly once empty. False: deleted for good.
  bool UseRecycleBin = true;
  // Ask before deleting an item with the read-only, hidden or system attribute; All clears it.
  bool ConfirmImportant = true;

private:
  bool Showing() const { return ShowProgress && progress_ != nullptr; }
  int32_t RemoveFile(const std::string& path, DWORD attributes);

  IDeleteProgress* progress_;
};

class TFileCopy;
// Called on a name conflict with the source, the destination (writable: a rename puts the new
// full path there) and the answer to fill with fe* flags.
using TFileExistsEvent =
    std::function<void(TFileCopy&, const std::string& source, std::string& destination, uint32_t& answer)>;

class TFileCopy : public TFileFunction {
public:
  // `progress` may be null when ShowProgress is false.
  TFileCopy(HWND owner, IQuestions& questions, ICopyProgress* progress);
  ~TFileCopy() override;

  // Copies or moves every source into the destination folder; the last item's result (112 when
  // the destination has no room for the sources, nothing done then).
  int32_t Copy(const std::string& destination);
  int32_t Move(const std::string& destination);

  int32_t CopyOneFile(const std::string& source, const std::string& target);
  // Creates the target folder, or merges into it when the answer is Overwrite, and copies the
  // contents.
  int32_t CopyFolder(const std::string& source, const std::string& target);
  int32_t CopyContents(const std::string& source, const std::string& target);
  // The destination's volume has at least TotalBytes free.
  bool HasRoom(const std::string& destination) const;

  // Empty: the replace confirmation through IQuestions, unless an All answer stands.
  TFileExistsEvent OnFileExists;
  // All sources, folders with their whole contents.
  uint64_t TotalBytes = 0;
  // What the counter runs to: files (copy) or items (move on one volume); 0 until a run sets it.
  int32_t TotalCount = 0;
  // The current conflict answer (fe* flags); 0 none.
  uint32_t Answer = 0;
  // Copies do not get the read-only attribute (copying from a CD).
  bool ClearReadOnly = false;
  // True while OnFileExists runs for a target that this same run wrote from another source (two
  // names differing only in case that meet on a volume ignoring case). Such a target is never
  // replaced: an Overwrite answer counts as Skip, and the answer holds for this item only.
  bool TargetWrittenByThisRun = false;

private:
  struct TFacts;
  // Whether two paths lie on one volume, by the volume serial numbers the system reports.
  bool OnOneVolume(const std::string& source, const std::string& destination, const std::string& current);
  // 12 when source `index` is the target itself or a folder that contains it, however spelt.
  int32_t IntoItself(size_t index, const std::string& target);
  void RememberWritten(const TFileIdentity& identity, const std::string& source);
  // The target exists and this run wrote it from a source other than `source`.
  bool WrittenFromOther(const std::string& target, const std::string& source) const;
  // The target is what this run wrote from `source`.
  bool StillOwnCopy(const std::string& target, const std::string& source) const;
  int32_t CopyEntry(const std::string& from, const std::string& to, const TFacts* fileFacts);
  int32_t ResolveWrittenConflict(const std::string& from, const std::string& to, const TFacts* fileFacts);
  int32_t Run(const std::string& destination, bool move);
  void CollectTotals(bool countFiles);
  bool KnowSource(size_t index);
  void BeginProgress(bool withinVolume, const std::string& destination, const std::string& current);
  void EndProgress();
  void AskFileExists(const std::string& source, std::string& target, bool writtenByThisRun = false);
  void CountFile(const std::string& source);
  bool TargetExists(const std::string& target) const;
  bool Showing() const { return ShowProgress && progress_ != nullptr; }

  int32_t CopyItem(size_t index, const std::string& target);
  int32_t MoveAcross(size_t index, const std::string& target);
  int32_t MoveWithin(size_t index, const std::string& target);
  int32_t RenameItem(const std::string& source, const std::string& target);
  int32_t RenameOver(const std::string& source, const std::string& target, DWORD sourceAttributes);
  int32_t MergeByRename(const std::string& source, const std::string& target, DWORD sourceAttributes);
  int32_t CopyFileBlocks(const std::string& source, const std::string& target, const TFacts& facts);
  int32_t WriteBlocks(HANDLE from, HANDLE to);
  int32_t CopyFolder(const std::string& source, const std::string& target, const TFacts* facts);
  int32_t MakeTargetFolder(const std::string& source, const std::string& target);
  // After a folder's copy: removes from the source what this run copied and what has not
  // changed since, and the folders emptied so; `kept` tells whether anything stays.
  int32_t RemoveCopiedContents(const std::string& folder, bool& kept);
  int32_t RemoveCopiedFolder(const std::string& folder, DWORD attributes);
  bool CopiedAsItIs(const std::string& source, uint64_t size, uint64_t lastWrite) const;

  ICopyProgress* progress_;
  std::unique_ptr<char[]> buffer_;
  std::vector<TFacts> facts_;
  std::unique_ptr<TFileDelete> remover_;
  std::string lastCounted_;
  // What this run created or moved, by identity (volume serial, file index), with its source.
  std::map<std::pair<uint32_t, uint64_t>, std::string> written_;
  // Every file this run copied, by its source path: where the copy went, and the source's size
  // and last-write time as they were copied.
  struct TCopied {
    std::string target;
    uint64_t size = 0;
    uint64_t lastWrite = 0;
  };
  std::map<std::string, TCopied> copied_;
  // About the item being processed: its last conflict was with a target written from another
  // source; something inside it was left out; a link inside it was not copied.
  bool ownConflict_ = false;
  bool incomplete_ = false;
  bool linkSkipped_ = false;
  uint32_t temporarySerial_ = 0;
};

}  // namespace quill

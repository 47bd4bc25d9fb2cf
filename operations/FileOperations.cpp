#include "operations/FileOperations.h"

#include <shellapi.h>

#include <algorithm>
#include <climits>
#include <new>
#include <unordered_set>

#include "base/Path.h"
#include "fileview/ShellUtils.h"
#include "messages/Messages.h"
#include "platform/FileIdentity.h"
#include "platform/Handle.h"
#include "platform/StringTable.h"
#include "platform/Utf16.h"
#include "platform/Win32Text.h"

namespace quill {

namespace {

// 0xFFFF, not 64 KiB: the block size the progress figures have always been counted in.
constexpr DWORD kBlockSize = 0xFFFF;
constexpr DWORD kImportantAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
// What a copy takes over from its source. Compression, encryption and the like belong to the
// destination volume; a reparse or sparse flag would make CreateFile fail or lie.
constexpr DWORD kCopiedAttributes = kImportantAttributes | FILE_ATTRIBUTE_ARCHIVE;
constexpr DWORD kNoAttributes = INVALID_FILE_ATTRIBUTES;
// Temporary names tried beside a file being replaced before giving up.
constexpr int kTemporaryAttempts = 100;

constexpr int kTextDiskFull = 261;
constexpr int kTextMoving = 578;
constexpr int kTextCopying = 579;
constexpr int kTextImportant = 580;

// A drive without its medium fails the call instead of putting up the system's box.
class TQuietErrors {
public:
  TQuietErrors() : old_(SetErrorMode(SEM_FAILCRITICALERRORS)) {}
  ~TQuietErrors() { SetErrorMode(old_); }
  TQuietErrors(const TQuietErrors&) = delete;
  TQuietErrors& operator=(const TQuietErrors&) = delete;

private:
  UINT old_;
};

// The last error after a failed call; never 0, which would read as success.
int32_t LastError() {
  const DWORD error = GetLastError();
  return error ? static_cast<int32_t>(error) : ERROR_GEN_FAILURE;
}

bool IsFolderAttributes(DWORD attributes) {
  return attributes != kNoAttributes && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

DWORD AttributesOf(const std::string& path) { return GetFileAttributesW(VerbatimPath(path).c_str()); }

std::string CurrentFolder() {
  const DWORD n = GetCurrentDirectoryW(0, nullptr);
  if (n == 0) return {};
  std::wstring buffer(n, L'\0');
  const DWORD used = GetCurrentDirectoryW(n, buffer.data());
  buffer.resize(used < n ? used : 0);
  return Narrow(buffer);
}

// The absolute form of a path, resolved against the current folder as text (no disk access),
// with every name kept as written: the system's resolution would strip trailing dots and blanks.
std::string FullPath(const std::string& path) {
  const std::wstring verbatim = VerbatimPath(path);
  if (verbatim.rfind(L"\\\\?\\UNC\\", 0) == 0) return "\\\\" + Narrow(std::wstring_view(verbatim).substr(8));
  if (verbatim.rfind(L"\\\\?\\", 0) == 0) return Narrow(std::wstring_view(verbatim).substr(4));
  return Narrow(verbatim);
}

// An absolute path with short (8.3) names expanded, so that "C:\DATA~1" and "C:\data" compare
// equal. A path that does not exist yet keeps its last name and has its folder expanded.
std::string ComparablePath(const std::string& path) {
  const std::string full = FullPath(path);
  const auto longName = [](const std::string& p) -> std::string {
    wchar_t buffer[MAX_PATH * 2];
    const DWORD n = GetLongPathNameW(VerbatimPath(p).c_str(), buffer, MAX_PATH * 2);
    if (n == 0 || n >= MAX_PATH * 2) return {};
    std::wstring_view wide(buffer, n);
    if (wide.rfind(L"\\\\?\\UNC\\", 0) == 0) return "\\\\" + Narrow(wide.substr(8));
    if (wide.rfind(L"\\\\?\\", 0) == 0) wide.remove_prefix(4);
    return Narrow(wide);
  };
  std::string expanded = longName(full);
  if (!expanded.empty()) return expanded;
  std::string folder = FileDirPart(full);
  if (folder.size() == 2 && folder[1] == ':') folder += '\\';
  expanded = longName(folder);
  return expanded.empty() ? full : JoinPath(expanded, FileNamePart(full));
}

// Calls `each` for every entry of a folder but "." and "..", until it returns false. 0, or the
// error when the folder cannot be read (an empty folder is not an error).
template <typename Each>
int32_t ForEachEntry(const std::string& folder, Each each) {
  WIN32_FIND_DATAW data;
  TFindHandle find(FindFirstFileExW(VerbatimPath(JoinPath(folder, "*.*")).c_str(), FindExInfoBasic, &data,
                                    FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
  if (!find) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES ? 0 : LastError();
  }
  do {
    const wchar_t* name = data.cFileName;
    if (name[0] == L'.' && (name[1] == 0 || (name[1] == L'.' && name[2] == 0))) continue;
    if (!each(data)) break;
  } while (FindNextFileW(find.Get(), &data));
  return 0;
}

uint64_t Value(FILETIME time) { return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime; }

uint64_t SizeOf(const WIN32_FIND_DATAW& data) {
  return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// Sets attributes and says whether it did, so a failed removal can put them back.
bool ClearImportant(const std::string& path, DWORD attributes, DWORD replacement) {
  return (attributes & kImportantAttributes) && SetFileAttributesW(VerbatimPath(path).c_str(), replacement);
}

// A file deleted for good, read-only, hidden and system notwithstanding; the attributes are
// restored when it stays.
int32_t DeleteForGood(const std::string& path, DWORD attributes) {
  const bool cleared = ClearImportant(path, attributes, FILE_ATTRIBUTE_NORMAL);
  if (DeleteFileW(VerbatimPath(path).c_str())) return kResultDone;
  const int32_t error = LastError();
  if (cleared) SetFileAttributesW(VerbatimPath(path).c_str(), attributes);
  return error;
}

int32_t RemoveFolder(const std::string& path, DWORD attributes) {
  const bool cleared = ClearImportant(path, attributes, FILE_ATTRIBUTE_NORMAL);
  if (RemoveDirectoryW(VerbatimPath(path).c_str())) return kResultDone;
  const int32_t error = LastError();
  if (cleared) SetFileAttributesW(VerbatimPath(path).c_str(), attributes & ~FILE_ATTRIBUTE_DIRECTORY);
  return error;
}

// Renames a file over an existing one, which loses read-only, hidden and system first; the old
// file keeps them when the rename fails.
int32_t ReplaceByRename(const std::string& from, const std::string& to, DWORD existing) {
  const bool cleared = ClearImportant(to, existing, FILE_ATTRIBUTE_ARCHIVE);
  if (MoveFileExW(VerbatimPath(from).c_str(), VerbatimPath(to).c_str(), MOVEFILE_REPLACE_EXISTING)) return kResultDone;
  const int32_t error = LastError();
  if (cleared) SetFileAttributesW(VerbatimPath(to).c_str(), existing);
  return error;
}

// A name ending in a dot or a blank, anywhere in the path.
bool HasNameTheShellAlters(std::string_view path) {
  for (size_t end = path.find('\\');; end = path.find('\\', end + 1)) {
    const size_t at = end == std::string_view::npos ? path.size() : end;
    if (at > 0 && (path[at - 1] == '.' || path[at - 1] == ' ')) {
      // "." and ".." are not names.
      const size_t start = path.rfind('\\', at - 1);
      const std::string_view name = path.substr(start == std::string_view::npos ? 0 : start + 1, at - (start == std::string_view::npos ? 0 : start + 1));
      if (name != "." && name != "..") return true;
    }
    if (end == std::string_view::npos) return false;
  }
}

bool IsExistsError(DWORD error) { return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS; }

}  // namespace

// ---------------------------------------------------------------------------------------------
// TFileFunction

TFileFunction::TFileFunction(HWND owner, IQuestions& questions) : Owner(owner), questions_(questions) {}

void TFileFunction::AddSource(const std::string& path, const TFile* entry) {
  Sources.push_back(path);
  Entries.resize(Sources.size() - 1, nullptr);
  Entries.push_back(entry);
}

const TFile* TFileFunction::Entry(size_t i) const { return i < Entries.size() ? Entries[i] : nullptr; }

int TFileFunction::SucceededCount() const {
  return static_cast<int>(std::count_if(Done.begin(), Done.end(), [](uint8_t done) { return done != 0; }));
}

bool TFileFunction::Succeeded(size_t i) const { return i < Done.size() && Done[i] != 0; }

bool TFileFunction::ContinueAfterError(int32_t code, size_t index) const {
  return questions_.ShowError(static_cast<uint32_t>(code), LoadText(kTextError), index + 1 >= Sources.size());
}

// ---------------------------------------------------------------------------------------------
// TFileDelete

TFileDelete::TFileDelete(HWND owner, IQuestions& questions, IDeleteProgress* progress)
    : TFileFunction(owner, questions), progress_(progress) {}

int32_t TFileDelete::Execute() {
  TQuietErrors quiet;
  const bool showing = Showing();
  // Read once: the gauge's count needs them and so does the dispatch below.
  std::vector<DWORD> attributes(Sources.size(), kNoAttributes);
  if (showing) {
    SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    int64_t files = 0;
    uint64_t bytes = 0;
    for (size_t i = 0; i < Sources.size(); ++i) {
      attributes[i] = AttributesOf(Sources[i]);
      if (IsFolderAttributes(attributes[i])) FolderTotals(Sources[i], files, bytes);
      else if (attributes[i] != kNoAttributes) ++files;
    }
    progress_->Begin(static_cast<int>(std::min<int64_t>(files, INT_MAX)));
  }
  Cancelled = false;
  Done.assign(Sources.size(), 0);
  int32_t result = kResultDone;
  for (size_t i = 0; i < Sources.size(); ++i) {
    DWORD itemAttributes = attributes[i];
    if (itemAttributes == kNoAttributes) itemAttributes = AttributesOf(Sources[i]);
    if (itemAttributes == kNoAttributes) result = LastError();
    else if (itemAttributes & FILE_ATTRIBUTE_DIRECTORY) result = DeleteFolder(Sources[i], itemAttributes);
    else result = DeleteOneFile(Sources[i], itemAttributes);
    Done[i] = result == kResultDone;
    if (result == kResultCancelled) break;
    if (result > 0 && !ContinueAfterError(result, i)) break;
  }
  if (showing) {
    progress_->End();
    SetCursor(LoadCursorW(nullptr, IDC_ARROW));
  }
  return result;
}

int32_t TFileDelete::DeleteOneFile(const std::string& path) {
  const DWORD attributes = AttributesOf(path);
  return attributes == kNoAttributes ? LastError() : DeleteOneFile(path, attributes);
}

int32_t TFileDelete::DeleteOneFile(const std::string& path, DWORD attributes) {
  const bool showing = Showing();
  if (showing) {
    if (progress_->Cancelled()) return kResultCancelled;
    progress_->SetItem(FileNamePart(path));
    progress_->ProcessMessages();
  }
  bool skip = false;
  int32_t result = AskImportant(path, attributes, skip);
  if (result == kResultCancelled) return result;
  if (!skip) result = RemoveFile(path, attributes);
  if (showing) {
    progress_->Step();
    progress_->ProcessMessages();
  }
  return result;
}

int32_t TFileDelete::RemoveFile(const std::string& path, DWORD attributes) {
  if (!UseRecycleBin) return DeleteForGood(path, attributes);
  // The shell's file operation takes no "\\?\" paths and would read "x." as "x": such a name
  // could send another file to the bin. It is refused; deleting for good takes it verbatim.
  if (HasNameTheShellAlters(path)) return ERROR_INVALID_NAME;
  // The shell takes a list ended by two NULs; the string's own terminator is the second one.
  std::wstring from = Widen(path);
  from.push_back(L'\0');
  SHFILEOPSTRUCTW request = {};
  request.hwnd = Owner;
  request.wFunc = FO_DELETE;
  request.pFrom = from.c_str();
  request.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_ALLOWUNDO;  // 0x54
  SetLastError(0);
  const int shellResult = SHFileOperationW(&request);
  if (shellResult != 0) {
    const DWORD error = GetLastError();
    return static_cast<int32_t>(error ? error : static_cast<DWORD>(shellResult));
  }
  return request.fAnyOperationsAborted ? kResultCancelled : kResultDone;
}

int32_t TFileDelete::DeleteFolder(const std::string& path) {
  const DWORD attributes = AttributesOf(path);
  return attributes == kNoAttributes ? LastError() : DeleteFolder(path, attributes);
}

int32_t TFileDelete::DeleteFolder(const std::string& path, DWORD attributes) {
  bool skip = false;
  int32_t result = AskImportant(path, attributes, skip);
  if (result == kResultCancelled || skip) return result;
  // The walk names everything by absolute path: changing the process's current folder under
  // it would affect every relative path in the program while it runs.
  const std::string folder = StripBackslash(FullPath(path));
  // A junction or link goes by itself; what it points to is not part of this folder.
  if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) result = DeleteContents(folder);
  if (result == kResultDone) result = RemoveFolder(folder, attributes);
  return result;
}

int32_t TFileDelete::DeleteContents(const std::string& folder) {
  int32_t result = kResultDone;
  const int32_t unreadable = ForEachEntry(folder, [&](const WIN32_FIND_DATAW& data) {
    const std::string path = JoinPath(folder, Narrow(data.cFileName));
    const DWORD attributes = data.dwFileAttributes;
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      result = DeleteOneFile(path, attributes);
    } else {
      bool skip = false;
      result = AskImportant(path, attributes, skip);
      if (result == kResultDone) {
        if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) result = DeleteContents(path);
        if (result == kResultDone) result = RemoveFolder(path, attributes);
      }
    }
    return result <= 0;
  });
  // A folder that cannot be read stays, and the reason is reported like any other failure.
  return unreadable ? unreadable : result;
}

int32_t TFileDelete::AskImportant(const std::string& path, uint32_t attributes, bool& skip) {
  skip = false;
  if (!ConfirmImportant || !(attributes & kImportantAttributes)) return kResultDone;
  const std::string text = FileNamePart(StripBackslash(path)) + LoadText(kTextImportant);
  switch (questions_.AskDelete(text, 2, true)) {
    case mrAll:
      ConfirmImportant = false;
      return kResultDone;
    case mrYes:
      return kResultDone;
    case mrNo:
      skip = true;
      return kResultSkipped;
    default:
      Cancelled = true;
      return kResultCancelled;
  }
}

// ---------------------------------------------------------------------------------------------
// TFileCopy

// What is known about a source before it is copied: from the totals pass for the sources, from
// the folder walk for everything inside them.
struct TFileCopy::TFacts {
  bool known = false;
  DWORD attributes = 0;
  uint64_t bytes = 0;  // a file's size; a folder's whole contents
  int64_t files = 0;   // a folder's files at any depth
};

TFileCopy::TFileCopy(HWND owner, IQuestions& questions, ICopyProgress* progress)
    : TFileFunction(owner, questions), progress_(progress),
      temporarySerial_(static_cast<uint32_t>(GetTickCount()) ^ (GetCurrentProcessId() << 16)) {}

TFileCopy::~TFileCopy() = default;

int32_t TFileCopy::Copy(const std::string& destination) { return Run(destination, false); }

int32_t TFileCopy::Move(const std::string& destination) { return Run(destination, true); }

int32_t TFileCopy::Run(const std::string& destination, bool move) {
  TQuietErrors quiet;
  Done.assign(Sources.size(), 0);
  Answer = 0;
  lastCounted_.clear();
  written_.clear();
  copied_.clear();
  facts_.assign(Sources.size(), TFacts{});
  if (Sources.empty()) return kResultDone;
  const std::string current = CurrentFolder();
  const bool withinVolume = move && OnOneVolume(Sources[0], destination, current);
  if (!withinVolume) {
    CollectTotals(Showing());
    if (!HasRoom(destination)) {
      questions_.Message(LoadText(kTextDiskFull), LoadText(kTextError), mbOk, miStop);
      return kResultDiskFull;
    }
  }
  if (move) {
    // Sources leave for good once their copies are complete, asking nothing.
    remover_ = std::make_unique<TFileDelete>(Owner, questions_, nullptr);
    remover_->ShowProgress = false;
    remover_->UseRecycleBin = false;
    remover_->ConfirmImportant = false;
  }
  const bool showing = Showing();
  if (showing) {
    if (withinVolume) TotalCount = static_cast<int32_t>(Sources.size());
    BeginProgress(withinVolume, destination, current);
    if (move) progress_->SetPathLine("  To '" + ProgressTargetName(destination) + "'");
  }

  int32_t result = kResultDone;
  std::string target;
  // An answer for all items, put aside while a conflict it does not settle is asked about.
  uint32_t standing = 0;
  size_t i = 0;
  while (i < Sources.size()) {
    if (!(Answer & feRenamed)) target = TargetPathFor(destination, Sources[i]);
    ownConflict_ = incomplete_ = linkSkipped_ = false;
    result = IntoItself(i, target);
    if (result == kResultDone) {
      if (withinVolume) result = MoveWithin(i, target);
      else if (move) result = MoveAcross(i, target);
      else result = CopyItem(i, target);
    }
    const uint32_t used = Answer;
    if (!(Answer & feAll) || (Answer & feRenamed)) Answer = 0;
    Done[i] = result == kResultDone;
    if (result == kResultCancelled) break;
    if (IsConflict(result) && ownConflict_) {
      // A target this run wrote from another source is never replaced, whatever stands for
      // all items: the user is told, and the source stays unless it goes under a new name.
      if (!standing && (used & feAll) && !(used & feRenamed)) standing = used;
      Answer = 0;
      AskFileExists(Sources[i], target, true);
      if (Answer & feCancel) {
        result = kResultCancelled;
        break;
      }
      if (Answer & feRenamed) continue;
      result = kResultSkipped;
    } else if (IsConflict(result) && !(used & feAll)) {
      // A conflict that an answer for all items did not settle is reported as an error: asking
      // again would get the same answer back for ever.
      AskFileExists(Sources[i], target);
      if (Answer & feCancel) {
        result = kResultCancelled;
        break;
      }
      continue;  // the same source again
    }
    if (standing) {
      Answer = standing;
      standing = 0;
    }
    if (result > 0 && !ContinueAfterError(result, i)) break;
    ++i;
  }
  remover_.reset();
  if (showing) EndProgress();
  return result;
}

bool TFileCopy::OnOneVolume(const std::string& source, const std::string& destination, const std::string& current) {
  // The system's word, not the spelling: "Z:\..." may be "C:\..." under another name.
  const TFileIdentity from = IdentityOf(source), to = IdentityOf(destination, true);
  if (from.valid && to.valid) return from.volume == to.volume;
  return SameVolume(source, destination, current);
}

int32_t TFileCopy::IntoItself(size_t index, const std::string& target) {
  const TFileIdentity source = IdentityOf(Sources[index]);
  if (!source.valid) return kResultDone;  // the item's own turn reports why it cannot be reached
  if (source.SameAs(IdentityOf(target))) return kResultIntoItself;
  if (!KnowSource(index)) return kResultDone;
  const DWORD attributes = facts_[index].attributes;
  // A link moves or fails as itself; only a real folder can receive a copy of itself.
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY) || (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return kResultDone;
  return IsSameOrInsideByIdentity(source, target) ? kResultIntoItself : kResultDone;
}

void TFileCopy::RememberWritten(const TFileIdentity& identity, const std::string& source) {
  if (identity.valid) written_[{identity.volume, identity.index}] = source;
}

bool TFileCopy::WrittenFromOther(const std::string& target, const std::string& source) const {
  if (written_.empty()) return false;
  const TFileIdentity identity = IdentityOf(target);
  if (!identity.valid) return false;
  const auto it = written_.find({identity.volume, identity.index});
  return it != written_.end() && it->second != source;
}

bool TFileCopy::StillOwnCopy(const std::string& target, const std::string& source) const {
  const TFileIdentity identity = IdentityOf(target);
  if (!identity.valid) return false;
  const auto it = written_.find({identity.volume, identity.index});
  return it != written_.end() && it->second == source;
}

void TFileCopy::CollectTotals(bool countFiles) {
  TotalBytes = 0;
  int64_t files = 0;
  for (size_t i = 0; i < Sources.size(); ++i) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    // A source that cannot be read reports its error when its turn comes.
    if (!GetFileAttributesExW(VerbatimPath(Sources[i]).c_str(), GetFileExInfoStandard, &data)) continue;
    TFacts& facts = facts_[i];
    facts.known = true;
    facts.attributes = data.dwFileAttributes;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      // A link to a folder is not copied, so what it leads to does not count.
      if (!(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) FolderTotals(Sources[i], facts.files, facts.bytes);
    } else {
      facts.bytes = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
      facts.files = 1;
    }
    TotalBytes += facts.bytes;
    files += facts.files;
  }
  if (countFiles) TotalCount = static_cast<int32_t>(std::min<int64_t>(files, INT32_MAX));
}

bool TFileCopy::HasRoom(const std::string& destination) const {
  return TotalBytes == 0 || DiskFree(destination) >= TotalBytes;
}

void TFileCopy::BeginProgress(bool withinVolume, const std::string& destination, const std::string& current) {
  SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  if (TotalCount == 0) TotalCount = static_cast<int32_t>(Sources.size());
  if (withinVolume) progress_->Begin(LoadText(kTextMoving), TotalCount, TotalBytes, pmItems);
  else progress_->Begin(LoadText(kTextCopying), TotalCount, TotalBytes, pmBytes);
  progress_->SetSource(ProgressSourceName(Sources.front(), current));
  progress_->SetTarget(ProgressTargetName(destination));
}

void TFileCopy::EndProgress() {
  progress_->End();
  SetCursor(LoadCursorW(nullptr, IDC_ARROW));
}

void TFileCopy::AskFileExists(const std::string& source, std::string& target, bool writtenByThisRun) {
  const bool showing = Showing();
  if (showing) progress_->PauseTimer();
  TargetWrittenByThisRun = writtenByThisRun;
  if (OnFileExists) OnFileExists(*this, source, target, Answer);
  else if (!(Answer & feAll)) Answer = questions_.AskFileExists(source, target, false, writtenByThisRun);
  TargetWrittenByThisRun = false;
  if (showing) progress_->RestartTimer();
  // Such a target is never replaced, and the answer holds for this item only.
  if (writtenByThisRun) {
    if (Answer & feOverwrite) Answer = (Answer & ~feOverwrite) | feSkip;
    Answer &= ~feAll;
  }
  // A question closed without an answer stops the run: asking again could go on for ever.
  if (!(Answer & (feOverwrite | feSkip | feRenamed))) Answer |= feCancel;
}

// The counter moves once per file, however often a conflict makes it try the file again.
void TFileCopy::CountFile(const std::string& source) {
  if (source == lastCounted_) return;
  lastCounted_ = source;
  progress_->SetCurrent(progress_->Current() + 1);
}

bool TFileCopy::TargetExists(const std::string& target) const { return AttributesOf(target) != kNoAttributes; }

bool TFileCopy::KnowSource(size_t index) {
  TFacts& facts = facts_[index];
  if (facts.known) return true;
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(VerbatimPath(Sources[index]).c_str(), GetFileExInfoStandard, &data)) return false;
  facts.known = true;
  facts.attributes = data.dwFileAttributes;
  facts.bytes = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  facts.files = 1;
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
    facts.bytes = 0;
    facts.files = 0;
    if (!(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) FolderTotals(Sources[index], facts.files, facts.bytes);
  }
  return true;
}

int32_t TFileCopy::CopyItem(size_t index, const std::string& target) {
  if (!KnowSource(index)) return LastError();
  const TFacts& facts = facts_[index];
  int32_t result;
  if (!(facts.attributes & FILE_ATTRIBUTE_DIRECTORY)) result = CopyFileBlocks(Sources[index], target, facts);
  else if (facts.attributes & FILE_ATTRIBUTE_REPARSE_POINT) result = kResultLinkNotCopied;
  else result = CopyFolder(Sources[index], target, &facts);
  if (result == kResultDone && linkSkipped_) return kResultLinkNotCopied;
  // Something inside was left out (and the user was told): the item is not done, and a move
  // keeps its source.
  if (result == kResultDone && incomplete_) return kResultSkipped;
  return result;
}

int32_t TFileCopy::MoveAcross(size_t index, const std::string& target) {
  const int32_t result = CopyItem(index, target);
  if (result != kResultDone) return result;
  // The source goes only once its copy is complete and the target is still that copy. When it
  // cannot go, the item is not done and the error box says why: the data now lies in both places.
  const std::string& source = Sources[index];
  if (!StillOwnCopy(target, source)) return kResultSkipped;
  const TFacts& facts = facts_[index];
  return (facts.attributes & FILE_ATTRIBUTE_DIRECTORY) ? RemoveCopiedFolder(source, facts.attributes)
                                                        : remover_->DeleteOneFile(source, facts.attributes);
}

// A folder's source is not deleted as a whole: what arrived in it or changed after its copy
// was made would go without a copy anywhere. Such files stay, and so does their folder (145).
int32_t TFileCopy::RemoveCopiedFolder(const std::string& folder, DWORD attributes) {
  bool kept = false;
  // The folder as the copy named it, so the names inside are the ones the copy recorded.
  const int32_t result = RemoveCopiedContents(folder, kept);
  if (result != kResultDone) return result;
  return kept ? static_cast<int32_t>(ERROR_DIR_NOT_EMPTY) : RemoveFolder(folder, attributes);
}

int32_t TFileCopy::RemoveCopiedContents(const std::string& folder, bool& kept) {
  struct TEntry {
    std::string name;
    DWORD attributes;
    uint64_t size;
    uint64_t lastWrite;
  };
  // Names first: the folder changes while its entries go.
  std::vector<TEntry> entries;
  const int32_t unreadable = ForEachEntry(folder, [&](const WIN32_FIND_DATAW& data) {
    entries.push_back({Narrow(data.cFileName), data.dwFileAttributes, SizeOf(data), Value(data.ftLastWriteTime)});
    return true;
  });
  if (unreadable) return unreadable;
  for (const TEntry& entry : entries) {
    const std::string path = JoinPath(folder, entry.name);
    int32_t result = kResultDone;
    if (!(entry.attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      if (!CopiedAsItIs(path, entry.size, entry.lastWrite)) {
        kept = true;
        continue;
      }
      result = DeleteForGood(path, entry.attributes);
    } else if (entry.attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
      kept = true;  // never copied: what it leads to is not inside
      continue;
    } else {
      bool keptInside = false;
      result = RemoveCopiedContents(path, keptInside);
      if (result == kResultDone && keptInside) kept = true;
      else if (result == kResultDone) result = RemoveFolder(path, entry.attributes);
    }
    if (result != kResultDone) return result;
  }
  return kResultDone;
}

bool TFileCopy::CopiedAsItIs(const std::string& source, uint64_t size, uint64_t lastWrite) const {
  const auto it = copied_.find(source);
  return it != copied_.end() && it->second.size == size && it->second.lastWrite == lastWrite &&
         StillOwnCopy(it->second.target, source);
}

int32_t TFileCopy::MoveWithin(size_t index, const std::string& target) {
  const std::string& source = Sources[index];
  const bool showing = Showing();
  if (showing) {
    progress_->SetFileLine(FileNamePart(StripBackslash(source)));
    CountFile(source);
  }
  const TFileIdentity identity = IdentityOf(source);
  int32_t result = RenameItem(source, target);
  // One volume seen through two ways in (a share of a local folder) cannot be renamed across;
  // the data is copied instead.
  if (result == ERROR_NOT_SAME_DEVICE) result = MoveAcross(index, target);
  else if (result == kResultDone) RememberWritten(identity, source);
  if (showing && !IsConflict(result)) {
    progress_->AddProgress(1);
    progress_->ProcessMessages();
  }
  return result;
}

int32_t TFileCopy::RenameItem(const std::string& source, const std::string& target) {
  // A folder into itself, or an item onto itself: an Overwrite below would remove the source.
  if (IsSameOrInside(FullPath(source), FullPath(target), TWin32Collator::Instance())) return kResultIntoItself;
  if (MoveFileExW(VerbatimPath(source).c_str(), VerbatimPath(target).c_str(), 0)) return kResultDone;
  const DWORD error = GetLastError();
  if (IsExistsError(error) && WrittenFromOther(target, source)) {
    ownConflict_ = true;
    return kResultAlreadyExists;
  }
  if (IsExistsError(error) && (Answer & feSkip)) return kResultSkipped;
  if (!(Answer & feOverwrite) || !IsExistsError(error)) return static_cast<int32_t>(error);
  return RenameOver(source, target, AttributesOf(source));
}

// Puts a source in the place of an existing target on the same volume: a file replaces a file
// in one rename; a folder is merged into a folder. A folder never takes the place of a file,
// nor a file that of a folder: the user is asked again, seeing what is there.
int32_t TFileCopy::RenameOver(const std::string& source, const std::string& target, DWORD sourceAttributes) {
  if (sourceAttributes == kNoAttributes) return LastError();
  const DWORD existing = AttributesOf(target);
  if (existing == kNoAttributes) return LastError();
  const bool sourceIsFolder = sourceAttributes & FILE_ATTRIBUTE_DIRECTORY;
  if (existing & FILE_ATTRIBUTE_DIRECTORY) {
    if (!sourceIsFolder) return ERROR_ACCESS_DENIED;
    return MergeByRename(source, target, sourceAttributes);
  }
  if (sourceIsFolder) return kResultAlreadyExists;
  return ReplaceByRename(source, target, existing);
}

int32_t TFileCopy::MergeByRename(const std::string& source, const std::string& target, DWORD sourceAttributes) {
  // Names first: the folder changes while its entries are renamed away.
  struct TEntry {
    std::string name;
    DWORD attributes;
  };
  std::vector<TEntry> entries;
  const int32_t unreadable = ForEachEntry(source, [&](const WIN32_FIND_DATAW& data) {
    entries.push_back({Narrow(data.cFileName), data.dwFileAttributes});
    return true;
  });
  if (unreadable) return unreadable;
  // Two names of a case-sensitive folder that differ only in case meet in one target name: the
  // second must not replace what the first just became, so it stays (and so does the folder).
  std::unordered_set<std::string> arrived;
  const ICollator& names = TWin32Collator::Instance();
  bool keptAny = false;
  for (const TEntry& entry : entries) {
    const std::string from = JoinPath(source, entry.name), to = JoinPath(target, entry.name);
    if (!arrived.insert(names.FoldName(entry.name)).second) {
      keptAny = true;
      continue;
    }
    if (MoveFileExW(VerbatimPath(from).c_str(), VerbatimPath(to).c_str(), 0)) continue;
    const DWORD error = GetLastError();
    const int32_t result = IsExistsError(error) ? RenameOver(from, to, entry.attributes) : static_cast<int32_t>(error);
    if (result != kResultDone) return result;
  }
  if (keptAny) {
    incomplete_ = true;
    return kResultDone;
  }
  return RemoveFolder(source, sourceAttributes);
}

int32_t TFileCopy::CopyOneFile(const std::string& source, const std::string& target) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(VerbatimPath(source).c_str(), GetFileExInfoStandard, &data)) return LastError();
  TFacts facts;
  facts.known = true;
  facts.attributes = data.dwFileAttributes;
  facts.bytes = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  facts.files = 1;
  return CopyFileBlocks(source, target, facts);
}

int32_t TFileCopy::CopyFileBlocks(const std::string& source, const std::string& target, const TFacts& facts) {
  const bool showing = Showing();
  if (showing) {
    if (progress_->Cancelled()) return kResultCancelled;
    progress_->SetFileLine(CopyFileLine(FileNamePart(source), facts.bytes));
    CountFile(source);
  }
  if (!buffer_) {
    buffer_.reset(new (std::nothrow) char[kBlockSize]);
    if (!buffer_) return kResultNoMemory;
  }
  TFileHandle from(CreateFileW(VerbatimPath(source).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!from) return LastError();

  DWORD attributes = facts.attributes & kCopiedAttributes;
  if (ClearReadOnly) attributes &= ~FILE_ATTRIBUTE_READONLY;
  if (attributes == 0) attributes = FILE_ATTRIBUTE_NORMAL;
  // A name is only ever created where none exists, so nothing is replaced without Overwrite,
  // and whether the target exists costs no call of its own.
  std::string written = target;
  TFileHandle to(CreateFileW(VerbatimPath(target).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, attributes, nullptr));
  DWORD replaced = kNoAttributes;
  if (!to) {
    const DWORD error = GetLastError();
    // What this run wrote from another source (a name differing only in case) is never
    // replaced, whatever the standing answer: the caller asks about it.
    if (IsExistsError(error) && WrittenFromOther(target, source)) {
      ownConflict_ = true;
      return kResultFileExists;
    }
    if (IsExistsError(error) && (Answer & feSkip)) {
      if (showing) {
        progress_->AddProgress(facts.bytes);
        progress_->ProcessMessages();
      }
      return kResultSkipped;
    }
    if (!(Answer & feOverwrite) || !IsExistsError(error)) return static_cast<int32_t>(error);
    replaced = AttributesOf(target);
    if (replaced == kNoAttributes) return LastError();
    if (replaced & FILE_ATTRIBUTE_DIRECTORY) return ERROR_ACCESS_DENIED;  // a file never replaces a folder
    // The new copy is written beside the old file and put in its place when complete, so a
    // failure or a cancel leaves the old file as it was.
    for (int attempt = 0; attempt < kTemporaryAttempts && !to; ++attempt) {
      written = TemporarySibling(target, temporarySerial_++);
      to.Reset(CreateFileW(VerbatimPath(written).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, attributes, nullptr));
      if (!to && !IsExistsError(GetLastError())) return LastError();
    }
    if (!to) return ERROR_CANNOT_MAKE;
  }

  int32_t result = WriteBlocks(from.Get(), to.Get());
  if (result == kResultDone) {
    // The last-write time goes with the contents; creation and access times are the copy's own.
    FILETIME lastWrite;
    LARGE_INTEGER size;
    if (GetFileTime(from.Get(), nullptr, nullptr, &lastWrite)) {
      SetFileTime(to.Get(), nullptr, nullptr, &lastWrite);
      // Only a move asks later what was copied.
      if (remover_ && GetFileSizeEx(to.Get(), &size))
        copied_[source] = {target, static_cast<uint64_t>(size.QuadPart), Value(lastWrite)};
    }
    // The rename below keeps the index, so this is the identity the target will have.
    RememberWritten(IdentityOf(to.Get()), source);
  }
  from.Reset();
  to.Reset();
  if (result == kResultDone && replaced != kNoAttributes) result = ReplaceByRename(written, target, replaced);
  // Whatever went wrong, no partly written file stays behind under either name.
  if (result != kResultDone) DeleteForGood(written, attributes);
  if (showing) progress_->ProcessMessages();
  return result;
}

int32_t TFileCopy::WriteBlocks(HANDLE from, HANDLE to) {
  char* block = buffer_.get();
  const bool showing = Showing();
  for (;;) {
    DWORD read = 0;
    if (!ReadFile(from, block, kBlockSize, &read, nullptr)) return LastError();
    if (read == 0) return kResultDone;
    DWORD written = 0;
    if (!WriteFile(to, block, read, &written, nullptr)) return LastError();
    if (written < read) return kResultDiskFull;  // a short write: the volume has filled up
    if (showing) {
      if (progress_->Cancelled()) return kResultCancelled;
      progress_->AddProgress(written);
      progress_->ProcessMessages();
    }
  }
}

int32_t TFileCopy::CopyFolder(const std::string& source, const std::string& target) {
  return CopyFolder(source, target, nullptr);
}

int32_t TFileCopy::CopyFolder(const std::string& source, const std::string& target, const TFacts* facts) {
  const bool showing = Showing();
  if ((Answer & feSkip) && TargetExists(target)) {
    if (showing) {
      int64_t files = 0;
      uint64_t bytes = 0;
      if (facts && facts->known) {
        files = facts->files;
        bytes = facts->bytes;
      } else {
        FolderTotals(source, files, bytes);
      }
      progress_->AddProgress(bytes);
      progress_->SetCurrent(progress_->Current() + static_cast<int>(std::min<int64_t>(files, INT_MAX)));
      progress_->ProcessMessages();
    }
    return kResultSkipped;
  }
  if (showing) progress_->SetFileLine(FileNamePart(StripBackslash(source)));
  if (IsSameOrInside(ComparablePath(source), ComparablePath(target), TWin32Collator::Instance()) ||
      IsSameOrInsideByIdentity(IdentityOf(source), target))
    return kResultIntoItself;
  int32_t result = MakeTargetFolder(source, target);
  if (result != kResultDone) return result;
  // Merging: every file inside replaces its namesake without asking.
  const uint32_t previous = Answer;
  if (Answer & feOverwrite) Answer = feOverwrite | feAll;
  result = CopyContents(source, target);
  Answer = previous;
  return result;
}

// Creates a folder a copy goes into. With Overwrite an existing folder is taken as it is (its
// contents are merged). A file of that name stays: the creation error goes back to the caller,
// who asks again showing that file.
int32_t TFileCopy::MakeTargetFolder(const std::string& source, const std::string& target) {
  if (CreateDirectoryW(VerbatimPath(target).c_str(), nullptr)) {
    RememberWritten(IdentityOf(target), source);
    return kResultDone;
  }
  const DWORD error = GetLastError();
  if (IsExistsError(error) && WrittenFromOther(target, source)) {
    ownConflict_ = true;
    return kResultAlreadyExists;
  }
  if (!(Answer & feOverwrite) || !IsExistsError(error)) return static_cast<int32_t>(error);
  const DWORD existing = AttributesOf(target);
  if (existing == kNoAttributes) return LastError();
  return (existing & FILE_ATTRIBUTE_DIRECTORY) ? kResultDone : kResultAlreadyExists;
}

int32_t TFileCopy::CopyContents(const std::string& source, const std::string& target) {
  int32_t result = kResultDone;
  const int32_t unreadable = ForEachEntry(source, [&](const WIN32_FIND_DATAW& data) {
    const std::string name = Narrow(data.cFileName);
    const std::string from = JoinPath(source, name), to = JoinPath(target, name);
    const bool folder = data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
    TFacts facts;
    facts.known = true;
    facts.attributes = data.dwFileAttributes;
    facts.bytes = SizeOf(data);
    facts.files = 1;
    if (folder && (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
      // A link or junction is not followed: what it leads to is not inside this folder, and
      // it may lead back into it. The item is reported as not completely copied.
      linkSkipped_ = true;
      result = kResultDone;
      return true;
    }
    result = CopyEntry(from, to, folder ? nullptr : &facts);
    if (IsConflict(result) && ownConflict_) result = ResolveWrittenConflict(from, to, folder ? nullptr : &facts);
    return result <= 0;
  });
  return unreadable ? unreadable : result;
}

int32_t TFileCopy::CopyEntry(const std::string& from, const std::string& to, const TFacts* fileFacts) {
  if (fileFacts) return CopyFileBlocks(from, to, *fileFacts);
  int32_t result = MakeTargetFolder(from, to);
  if (result == kResultDone) result = CopyContents(from, to);
  return result;
}

// A file or folder inside a copied folder met a target this run wrote from another source. The
// user may give it another name; otherwise it stays out, and so the whole item counts as not
// done (a move keeps its source).
int32_t TFileCopy::ResolveWrittenConflict(const std::string& from, const std::string& to, const TFacts* fileFacts) {
  std::string target = to;
  bool writtenByThisRun = true;
  for (;;) {
    ownConflict_ = false;
    const uint32_t saved = Answer;
    Answer = 0;
    AskFileExists(from, target, writtenByThisRun);
    const uint32_t answer = Answer;
    Answer = saved;
    if (answer & feCancel) return kResultCancelled;
    if (answer & feSkip) {
      incomplete_ = true;
      return kResultSkipped;
    }
    // Under a new name it may meet another target; Overwrite (offered only for a target this
    // run did not write) replaces or merges, as inside a merged folder.
    if (answer & feOverwrite) Answer = feOverwrite | feAll;
    const int32_t result = CopyEntry(from, target, fileFacts);
    Answer = saved;
    if (!IsConflict(result)) return result;
    writtenByThisRun = ownConflict_;
  }
}

}  // namespace quill

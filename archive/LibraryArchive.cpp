#include "archive/LibraryArchive.h"

#include <memory>

#include "archivers/zipformat/ZipFormat.h"
#include "base/Path.h"
#include "base/Text.h"
#include "operations/Progress.h"

namespace quill {
namespace {

const TLatin1CodePage kLatin1;
constexpr uint32_t kFileAttributeNormal = 0x80;

// One library operation: loaded, and freed however it ends.
class TLoaded {
public:
  explicit TLoaded(IArchiveLibrary& library) : library_(library), loaded_(library.Load()) {}
  ~TLoaded() {
    if (loaded_) library_.Free();
  }
  bool Ok() const { return loaded_; }

private:
  IArchiveLibrary& library_;
  bool loaded_;
};

// Equal ignoring ASCII case, the way the archive's own names compare.
bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (UpperAscii(a[i]) != UpperAscii(b[i])) return false;
  return true;
}

// A part of an archiver's command line: quoted when a blank would split it.
std::string ArchiverArgument(const std::string& text) {
  return text.find(' ') == std::string::npos ? text : "\"" + text + "\"";
}

}  // namespace

TLibraryArchive::TLibraryArchive(TArchiveServices services, IArchiveLibrary* library)
    : TArchive(std::move(services)), library_(library) {}

void TLibraryArchive::SendProgress(TProgressKind kind, uint64_t value, const std::string& name) {
  if (OnProgress) OnProgress(*this, kind, value, name);
}

void TLibraryArchive::List() {
  ClearEntries();
  if (!library_) return;
  TLoaded loaded(*library_);
  if (!loaded.Ok()) {
    ShowResult(NoLibraryCode());
    FileName.clear();
    BuildFolders();
    return;
  }
  listing_ = true;
  library_->SetCallbacks(*this, true, false);
  const int opened = library_->Open(FileName, 0);
  if (opened != 0) {
    library_->Close();
    listing_ = false;
    ShowResult(opened);
    FileName.clear();
    BuildFolders();
    return;
  }
  if (services_.busyCursor) services_.busyCursor(true);
  TLibraryHeader header;
  int code;
  while ((code = library_->ReadHeader(header)) == 0) {
    ArchiveEntry entry;
    entry.name.assign(LastComponent(header.fileName));
    entry.originalSize = header.unpSize;
    entry.packedSize = header.packSize;
    entry.attributes = header.fileAttr & 0xFF;
    entry.time = zipformat::DosToFileTime(static_cast<uint16_t>(header.fileTime >> 16),
                                          static_cast<uint16_t>(header.fileTime & 0xFFFF));
    if (IsFolder(header)) {
      entry.attributes |= kArchiveFolderAttribute;
      AddFolderEntry(header.fileName, std::move(entry));
    } else {
      AddFileEntry(header.fileName, std::move(entry));
    }
    const int skipped = library_->ProcessFile(kLibrarySkip, std::string());
    const TSkipOutcome outcome = AfterListingSkip(skipped);
    if (outcome == TSkipOutcome::GoOn) continue;
    if (outcome == TSkipOutcome::StopAndShow && !Abort && services_.questions)
      services_.questions->Message(std::to_string(skipped), "", mbOk, miNone);
    code = 0;
    break;
  }
  if (code != 0 && ReportedAtEnd(code)) ShowResult(code);
  library_->Close();
  listing_ = false;
  if (services_.busyCursor) services_.busyCursor(false);
  BuildFolders();
}

int TLibraryArchive::ChangeVolume(std::string& volume, int mode) {
  if (listing_) return 0;
  int32_t answer = mode;
  if (OnChangeVolume) OnChangeVolume(volume, answer);
  return answer;
}

int TLibraryArchive::ProcessData(int size) {
  SendProgress(pkBytes, size > 0 ? static_cast<uint64_t>(size) : 0);
  return Abort ? 0 : 1;
}

bool TLibraryArchive::Selected(const std::string& path) const {
  if (Selection.empty()) return true;
  for (const TSelectionItem& item : Selection) {
    std::string_view wanted = item.path;
    // An item widened to everything inside a folder stands for the folder.
    if (wanted.size() >= 4 && wanted.substr(wanted.size() - 4) == "\\*.*") wanted.remove_suffix(4);
    while (!wanted.empty() && wanted.back() == '\\') wanted.remove_suffix(1);
    if (wanted.empty()) return true;
    if (path.size() < wanted.size() || !SameText(std::string_view(path).substr(0, wanted.size()), wanted)) continue;
    if (path.size() == wanted.size() || path[wanted.size()] == '\\') return true;
  }
  return false;
}

bool TLibraryArchive::ChooseOperation(const TLibraryHeader& header, const std::string& destination,
                                      bool withoutPassword, int& operation) {
  operation = kLibrarySkip;
  if (ExtractOptions & eoTest) {
    SendProgress(pkNewFile, header.unpSize, header.fileName);
    if (!withoutPassword) operation = kLibraryTest;
    return true;
  }
  if (!Selected(header.fileName)) return true;
  std::string safe;
  if (!zipformat::SafeRelativePath(header.fileName, safe)) {
    // Never handed to the library: a name that would land outside the destination.
    Problems.push_back(header.fileName + ": " + Text(kTextArchiveCreateFailed));
    return true;
  }
  if (withoutPassword) {
    Problems.push_back(header.fileName + ": " + Text(kTextArchiveBadPassword));
    return true;
  }
  operation = kLibraryExtract;
  if (IsFolder(header)) return true;
  SendProgress(pkNewFile, header.unpSize, header.fileName);
  const std::string target = JoinPath(destination, safe);
  if (!OnFileExists || !services_.fileSystem || !services_.fileSystem->FileExists(target)) return true;
  if (!((Answer & feAll) && !(Answer & feRenamed))) Answer = 0;
  const std::unique_ptr<TFile> file = TFiles::MakeFile(header.fileName, 0, 0, 0);
  OnFileExists(*this, *file, Answer, target);
  if (Answer & feCancel) return false;
  if (Answer & feOverwrite) {
    // The library replaces the file only once the new one is complete, so the old one stays
    // until then; a read-only one could not be replaced at all.
    services_.fileSystem->SetAttributes(target, kFileAttributeNormal);
  } else {
    operation = kLibrarySkip;
  }
  return true;
}

void TLibraryArchive::Extract(const std::string& destination) {
  Problems.clear();
  if (!library_) return;
  TLoaded loaded(*library_);
  if (!loaded.Ok()) {
    ShowResult(NoLibraryCode());
    return;
  }
  Abort = false;
  listing_ = false;
  library_->SetCallbacks(*this, static_cast<bool>(OnChangeVolume), static_cast<bool>(OnProgress));
  const int opened = library_->Open(FileName, 1);
  if (opened != 0) {
    library_->Close();
    ShowResult(opened);
    return;
  }
  if (OnProgress) {
    uint64_t count = 0, bytes = 0;
    for (const TArchiveItem& item : Files) {
      if (!Selected(item.path)) continue;
      ++count;
      bytes += item.entry.originalSize;
    }
    SendProgress(pkTotalCount, count);
    SendProgress(pkTotalBytes, bytes);
  }
  const std::string libraryDestination = LibraryDestination(destination);
  TLibraryHeader header;
  int code;
  while ((code = library_->ReadHeader(header)) == 0) {
    bool withoutPassword = false;
    if (IsEncrypted(header) && Password.empty()) {
      std::string answer;
      if (AskPassword(answer) && !answer.empty()) {
        Password = answer;
        library_->SetPassword(Password);
      } else {
        // Asked again at the next encrypted entry; this one cannot be read without it.
        withoutPassword = true;
      }
    }
    if (Abort) break;
    int operation;
    if (!ChooseOperation(header, destination, withoutPassword, operation)) break;
    const int result = library_->ProcessFile(operation, libraryDestination);
    if (result != 0) {
      if (!Abort) ShowResult(result);
      code = 0;
      break;
    }
  }
  if (code != 0 && ReportedAtEnd(code)) ShowResult(code);
  library_->Close();
  SendProgress(pkDone, 0);
}

std::string TLibraryArchive::AddCommand(const std::string& listFile) const {
  std::string text;
  if (AddOptions & aoMove) text += " m";
  else if (AddOptions & aoFreshen) text += " f";
  else if (AddOptions & aoUpdate) text += " u";
  else text += " a";
  text += ModeSuffix();
  if (AddOptions & aoRecurse) text += " -r";
  if (VolumeSize != 0) text += " -v" + std::to_string(VolumeSize / 1000);
  if (!Password.empty()) text += " -p" + Password;
  text += " -m" + std::to_string(CompressionIndex == 0 ? 5 : CompressionIndex == 2 ? 0 : 3);
  text += " " + ArchiverArgument(FileName) + " @" + ArchiverArgument(listFile);
  return text;
}

void TLibraryArchive::Add() {
  if (!services_.fileSystem || !services_.shortTempFolder || !services_.runAndWait) return;
  const ICodePage& codePage = services_.codePage ? *services_.codePage : kLatin1;
  const std::string listFile = services_.shortTempFolder() + "quillTempFile.$$$";
  std::string lines;
  for (const TSelectionItem& item : Selection) {
    std::string ansi;
    codePage.FromUtf8(item.path, ansi);
    lines += ansi + "\r\n";
  }
  if (services_.fileSystem->WriteAll(listFile, lines) == 0) {
    const std::string program = ProgramPath.empty() ? DefaultProgram() : ProgramPath;
    services_.runAndWait(program, AddCommand(listFile));
  }
  services_.fileSystem->RemoveFile(listFile);
}

}  // namespace quill

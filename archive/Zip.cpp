#include "archive/Zip.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>

#include "operations/Progress.h"

namespace quill {
namespace {

const TLatin1CodePage kLatin1;

// A name as the libraries report it: "\" separators, no trailing blanks.
std::string CleanName(std::string name) {
  std::replace(name.begin(), name.end(), '/', '\\');
  while (!name.empty() && name.back() == ' ') name.pop_back();
  return name;
}

template <typename Spec>
void PointSpecs(std::vector<Spec>& specs, const std::vector<std::string>& texts) {
  specs.assign(texts.size(), Spec{});
  for (size_t i = 0; i < texts.size(); ++i) specs[i].text = texts[i].c_str();
}

}  // namespace

TZip::TZip(TArchiveServices services, IZipLibraries* libraries)
    : TArchive(std::move(services)), libraries_(libraries) {
  OpenSource = [this](const std::string& path, int& error) { return zipformat::OpenFileSource(ToAnsi(path), error); };
}

std::string TZip::ToAnsi(const std::string& text) const {
  const ICodePage& codePage = services_.codePage ? *services_.codePage : kLatin1;
  std::string ansi;
  // A character without an ANSI form cannot reach the libraries either way; the closest the
  // code page gives is still the best attempt.
  codePage.FromUtf8(text, ansi);
  return ansi;
}

std::string TZip::FromAnsi(const char* text) const {
  const ICodePage& codePage = services_.codePage ? *services_.codePage : kLatin1;
  return codePage.ToUtf8(text);
}

void TZip::ShowMessage(int id, const std::string& appended) {
  std::string text = Text(id);
  if (text.empty()) text = "Error String ID is: " + std::to_string(id);
  text += appended;
  ErrorCode = id;
  Message = text;
  if (services_.questions) services_.questions->Message(text, Text(kTextError), mbOk, miNone);
  if (OnMessage) OnMessage(id, text);
}

void TZip::List() {
  ClearEntries();  // listing again starts over
  if (services_.busyCursor) services_.busyCursor(true);
  try {
    int openError = 0;
    std::unique_ptr<zipformat::IByteSource> source = OpenSource(FileName, openError);
    if (!source) {
      // Listing asks for the archive as something that must be there.
      ShowMessage(kTextZipInputMissing);
      FileName.clear();
    } else {
      zipformat::Directory dir = zipformat::ReadDirectory(*source);
      const bool endFound = dir.error != zipformat::kErrNotZip && dir.error != zipformat::kErrEndRead &&
                            dir.error != zipformat::kErrSeek;
      ZipFileSize = dir.fileSize;
      EndRecordPosition = dir.endRecordPosition;
      CentralDirectoryPosition = dir.computedCentralStart;
      // Data in front of the archive (a self-extractor) moves the directory: worth a word, and
      // the entries still list from where they really are.
      if (endFound && dir.StartMismatch()) ShowMessage(kTextZipStructureWarning);
      const ICodePage& codePage = services_.codePage ? *services_.codePage : kLatin1;
      // Sized once and the names moved over: with 100,000 entries, a doubling of the list while
      // the whole directory is still held would be the listing's largest moment.
      Files.reserve(Files.size() + dir.entries.size());
      for (zipformat::CentralEntry& e : dir.entries) {
        const bool isFolder = e.IsFolder();  // reads the name, which moves below
        const bool ascii = std::all_of(e.name.begin(), e.name.end(), [](char c) { return (c & 0x80) == 0; });
        std::string path = e.utf8 || ascii ? std::move(e.name) : codePage.ToUtf8(e.name);
        std::replace(path.begin(), path.end(), '/', '\\');
        if (!path.empty() && path.back() == '\\') path.pop_back();
        if (path.empty()) continue;  // nothing the pane could show or extract by name
        ArchiveEntry entry;
        const size_t slash = path.rfind('\\');
        entry.name = slash == std::string::npos ? path : path.substr(slash + 1);
        entry.originalSize = e.unpackedSize;
        entry.packedSize = e.packedSize;
        entry.attributes = e.externalAttributes & 0xFF;
        if (isFolder) entry.attributes |= kArchiveFolderAttribute;
        entry.time = zipformat::DosToFileTime(e.dosDate, e.dosTime);
        if (entry.attributes & kArchiveFolderAttribute)
          AddFolderEntry(std::move(path), std::move(entry));
        else
          AddFileEntry(std::move(path), std::move(entry));
      }
      if (dir.error != zipformat::kOk) {
        ShowMessage(dir.error);
        FileName.clear();
      }
    }
  } catch (const std::bad_alloc&) {
    ShowMessage(kTextZipNoMemory);
    FileName.clear();
  } catch (const std::exception& e) {
    ShowMessage(kTextZipListError, e.what());
    FileName.clear();
  }
  if (services_.busyCursor) services_.busyCursor(false);
  BuildFolders();
}

std::unique_ptr<TZipCall> TZip::BuildZipCommand(const std::vector<std::string>& specs) {
  auto call = std::make_unique<TZipCall>();
  for (const std::string& spec : specs) call->texts.push_back(ToAnsi(spec));
  PointSpecs(call->specs, call->texts);
  call->password = ToAnsi(Password);
  call->archive = ToAnsi(FileName);
  zipapi::ZipCommand& c = call->command;
  c.window = libraries_ ? libraries_->Window() : nullptr;
  c.caller = this;
  c.version = zipapi::kInterfaceVersion;
  c.callback = libraries_ ? libraries_->Callback() : nullptr;
  c.password = call->password.c_str();
  c.encrypt = Password.empty() ? 0 : 1;
  c.keepFolderNames = 1;
  c.addFolderEntries = 1;
  c.includeHidden = 1;
  c.level = CompressionIndex == 2 ? 0 : 9;
  c.recurse = (AddOptions & aoRecurse) ? 1 : 0;
  c.quiet = 1;
  c.move = (AddOptions & aoMove) ? 1 : 0;
  c.update = (AddOptions & aoUpdate) ? 1 : 0;
  c.freshen = (AddOptions & aoFreshen) && !(AddOptions & aoUpdate) ? 1 : 0;
  c.specCount = static_cast<int32_t>(call->specs.size());
  c.archive = call->archive.c_str();
  c.specs = call->specs.empty() ? nullptr : call->specs.data();
  c.structureKey = zipapi::kStructureKey;
  return call;
}

std::unique_ptr<TUnzipCall> TZip::BuildUnzipCommand(const std::vector<std::string>& specs) {
  auto call = std::make_unique<TUnzipCall>();
  for (const std::string& spec : specs) call->texts.push_back(ToAnsi(spec));
  PointSpecs(call->specs, call->texts);
  call->password = ToAnsi(Password).substr(0, zipapi::kPasswordMax);
  call->archive = ToAnsi(FileName);
  zipapi::UnzipCommand& c = call->command;
  c.window = libraries_ ? libraries_->Window() : nullptr;
  c.caller = this;
  c.version = zipapi::kInterfaceVersion;
  c.callback = libraries_ ? libraries_->Callback() : nullptr;
  c.password = call->password.c_str();
  c.test = (ExtractOptions & eoTest) ? 1 : 0;
  c.quiet = 1;
  c.update = (ExtractOptions & eoUpdate) ? 1 : 0;
  c.freshen = (ExtractOptions & eoFreshen) && !(ExtractOptions & eoUpdate) ? 1 : 0;
  c.folderNames = (ExtractOptions & eoFolderNames) ? 1 : 0;
  c.overwriteAll = (ExtractOptions & eoOverwrite) ? 1 : 0;
  c.specCount = static_cast<int32_t>(call->specs.size());
  c.archive = call->archive.c_str();
  c.specs = call->specs.empty() ? nullptr : call->specs.data();
  c.passwordTries = PasswordTries + 1;
  c.structureKey = zipapi::kStructureKey;
  return call;
}

// What one library call reports starts from nothing.
void TZip::StartRun() {
  ErrorCode = 0;
  SuccessCount = 0;
  Problems.clear();
  currentFile_.clear();
  Message.clear();
  Abort = false;
}

void TZip::Add() {
  if (Zipping || !libraries_) return;
  Zipping = true;
  StartRun();
  bool loadedNow = false;
  if (const int missing = libraries_->LoadZip(loadedNow)) {
    ShowMessage(missing);
  } else {
    std::vector<std::string> specs;
    for (const TSelectionItem& item : Selection) {
      const bool folder = services_.fileSystem && services_.fileSystem->DirectoryExists(item.path);
      specs.push_back(folder ? item.path + "\\*.*" : item.path);
    }
    auto call = BuildZipCommand(specs);
    try {
      SuccessCount = libraries_->ExecZip(call->command);
    } catch (...) {
      ShowMessage(kTextZipAbortException);
    }
    if (loadedNow) libraries_->FreeZip();
  }
  Selection.clear();
  Abort = false;
  Zipping = false;
}

void TZip::Extract(const std::string& destination) {
  if (Unzipping || !libraries_) return;
  Unzipping = true;
  StartRun();
  bool loadedNow = false;
  if (const int missing = libraries_->LoadUnzip(loadedNow)) {
    ShowMessage(missing);
  } else {
    if (services_.fileSystem && services_.fileSystem->DirectoryExists(destination))
      services_.fileSystem->SetCurrentDir(destination);
    ExpandFolders(Selection);
    std::vector<std::string> specs;
    for (const TSelectionItem& item : Selection) specs.push_back(item.path);
    auto call = BuildUnzipCommand(specs);
    try {
      SuccessCount = libraries_->ExecUnzip(call->command);
    } catch (...) {
      ShowMessage(kTextUnzipAbortException);
    }
    libraries_->FreeUnzip();
  }
  Selection.clear();
  Abort = false;
  Unzipping = false;
}

int32_t TZip::HandleCallback(zipapi::ZipCallbackRecord& record) {
  // The library's text field is ours to read up to its size, NUL or not.
  char raw[zipapi::kCallbackTextSize + 1];
  std::memcpy(raw, record.text, zipapi::kCallbackTextSize);
  raw[zipapi::kCallbackTextSize] = '\0';
  const std::string text = FromAnsi(raw);
  const std::string name = CleanName(text);
  const uint64_t number = static_cast<uint32_t>(record.number);
  if (!Abort) {
    switch (record.action) {
      case zipapi::kFileStarts:
        currentFile_ = name;
        if (OnProgress) OnProgress(*this, pkNewFile, number, name);
        break;
      case zipapi::kBytesDone:
        if (OnProgress) OnProgress(*this, pkBytes, number, name);
        break;
      case zipapi::kBatchDone:
        if (OnProgress) OnProgress(*this, pkDone, 0, name);
        break;
      case zipapi::kMessage:
        if (record.code != 0) {
          ErrorCode = record.code;
          Problems.push_back(text);
        }
        Message = text;
        if (OnMessage) OnMessage(record.code, text);
        break;
      case zipapi::kTotalFiles:
        if (OnProgress) OnProgress(*this, pkTotalCount, number, name);
        break;
      case zipapi::kTotalBytes:
        if (OnProgress) {
          TotalSize = number;
          OnProgress(*this, pkTotalBytes, number, name);
        }
        break;
      case zipapi::kListItem:
        record.code = 0;
        break;
      case zipapi::kPassword:
        AnswerPassword(record);
        break;
      case zipapi::kCrcError:
        record.code = 2;  // no CRC-error handler: go on
        Problems.push_back(Text(kTextArchiveBadCrc) + ": " + currentFile_);
        break;
      case zipapi::kOverwrite:
        AnswerOverwrite(record, name);
        break;
      default:
        break;
    }
  }
  if (libraries_) libraries_->ProcessMessages();
  if (Abort) {
    if (OnProgress) OnProgress(*this, pkDone, 0, {});
    return 1;
  }
  return 0;
}

void TZip::AnswerPassword(zipapi::ZipCallbackRecord& record) {
  const int32_t tryNumber = record.number;
  const bool forNewEntries = (record.code & 1) != 0;
  if (tryNumber == 1) {
    // The last try the library allows: nothing more to ask.
    record.code = 0;
    Abort = true;
    return;
  }
  std::string answer;
  if (tryNumber == PasswordTries + 1 && !Password.empty()) {
    answer = Password;
  } else {
    AskPassword(answer);
    if (forNewEntries) {
      std::string again;
      AskPassword(again);
      if (!answer.empty() && !again.empty() && answer != again) {
        ShowMessage(kTextZipInvalidPassword);
        answer.clear();
      }
    }
    Password = answer;
  }
  if (answer.empty()) {
    record.code = 0;
    Abort = true;
    return;
  }
  const std::string ansi = ToAnsi(answer).substr(0, zipapi::kPasswordMax);
  std::memcpy(record.text, ansi.c_str(), ansi.size() + 1);
  record.code = 1;
}

void TZip::AnswerOverwrite(zipapi::ZipCallbackRecord& record, const std::string& name) {
  if (!OnFileExists) return;
  if (!((Answer & feAll) && !(Answer & feRenamed))) Answer = 0;
  const std::unique_ptr<TFile> file = TFiles::MakeFile(name, 0, 0, 0);
  OnFileExists(*this, *file, Answer, name);
  record.number = static_cast<int32_t>(Answer & feOverwrite);
  Abort = (Answer & feCancel) != 0;
}

}  // namespace quill

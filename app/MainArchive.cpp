// The main window's side of archives: showing one in the pane as a folder tree, moving inside it
// and leaving it, opening and extracting its entries, Extract to, Install, and the progress
// dialog and questions an extraction drives.
#include <windows.h>

#include "app/Commands.h"
#include "app/MainForm.h"
#include "archive/Ace.h"
#include "archive/AceLibrary.h"
#include "archive/Arj.h"
#include "archive/Rar.h"
#include "archive/RarLibrary.h"
#include "archive/Zip.h"
#include "archive/ZipLibraries.h"
#include "base/Path.h"
#include "base/Text.h"
#include "fileview/FileUtils.h"
#include "fileview/ShellUtils.h"
#include "messages/Messages.h"
#include "operations/FileOperations.h"
#include "platform/StringTable.h"
#include "platform/Utf16.h"
#include "platform/Win32FileSystem.h"
#include "platform/Win32Text.h"

namespace quill {

namespace {
constexpr int kTextInsertDisk = 525;
constexpr int kTextExtracting = 526;
constexpr int kTextInstallDone = 542;
constexpr int kTextInstallCaption = 543;
constexpr int kTextNoInstaller = 544;
constexpr const char* kInstallFolder = "$Quill$";

bool IsArchiveFile(const TFile& file) {
  return file.IsFile() && ArchiveKind(file.FullName()) != kArchiveNone;
}

// The folder part of an in-archive path ("" at the root) joined with a name.
std::string InArchivePath(const std::string& folder, const std::string& name) {
  return folder.empty() ? name : folder + "\\" + name;
}
}  // namespace

// ---- readers ----

namespace {

// The short (8.3) form of a path, for archivers that split their command line at blanks; the
// path itself when the volume keeps no short names.
std::string ShortPathName(const std::string& path) {
  const std::wstring wide = Widen(path);
  const DWORD n = GetShortPathNameW(wide.c_str(), nullptr, 0);
  if (n == 0) return path;
  std::wstring shortPath(n, L'\0');
  const DWORD m = GetShortPathNameW(wide.c_str(), shortPath.data(), n);
  if (m == 0 || m >= n) return path;
  shortPath.resize(m);
  return Narrow(shortPath);
}

// The temporary folder in its short form, ending in "\": list files named there reach any
// archiver whatever its command-line parsing.
std::string ShortTempFolder() {
  wchar_t longPath[MAX_PATH + 1] = {};
  const DWORD n = GetTempPathW(MAX_PATH + 1, longPath);
  if (n == 0 || n > MAX_PATH) return {};
  std::string folder = ShortPathName(Narrow(longPath));
  if (!folder.empty() && folder.back() != '\\') folder += '\\';
  return folder;
}

}  // namespace

// An archiver named without a folder is looked for beside quill.exe first: the archivers
// that come with Quill live there.
std::string TMainForm::ArchiverPath(const std::string& program) const {
  if (program.empty() || program.find('\\') != std::string::npos || program.find('/') != std::string::npos) return program;
  const std::string beside = JoinPath(ExecutableFolder(), program);
  return TWin32FileSystem::Instance().FileExists(beside) ? beside : program;
}

std::unique_ptr<TArchive> TMainForm::NewArchiveReader(const std::string& path) {
  TArchiveServices services;
  services.fileSystem = &TWin32FileSystem::Instance();
  services.questions = &Questions();
  services.texts = [](int id) { return LoadText(static_cast<unsigned>(id)); };
  services.collator = &TWin32Collator::Instance();
  services.codePage = &TAnsiCodePage::Instance();
  services.busyCursor = [](bool busy) { SetCursor(LoadCursorW(nullptr, busy ? IDC_WAIT : IDC_ARROW)); };
  services.shortTempFolder = [] { return ShortTempFolder(); };
  services.runAndWait = [this](const std::string& program, const std::string& parameters) {
    return RunArchiver(program, parameters);
  };
  services.shortPath = [](const std::string& path) { return ShortPathName(path); };
  switch (ArchiveKind(path)) {
    case kArchiveZip:
      if (!zipLibraries_) zipLibraries_ = std::make_unique<TWin32ZipLibraries>([this] { return Handle(); });
      return std::make_unique<TZip>(services, zipLibraries_.get());
    case kArchiveRar: {
      if (!rarLibrary_) rarLibrary_ = std::make_unique<TWin32RarLibrary>();
      auto rar = std::make_unique<TRar>(services, rarLibrary_.get());
      rar->ProgramPath = ini_.ReadString("Program", "RAR", "rar.exe");
      return rar;
    }
    case kArchiveAce: {
      if (!aceLibrary_) aceLibrary_ = std::make_unique<TWin32AceLibrary>();
      auto ace = std::make_unique<TAce>(services, aceLibrary_.get());
      ace->ProgramPath = ini_.ReadString("Program", "ACE", "ace32.exe");
      return ace;
    }
    case kArchiveArj: {
      auto arj = std::make_unique<TArj>(services);
      arj->ProgramPath = ini_.ReadString("Program", "ARJ", "arj.exe");
      return arj;
    }
    default: return nullptr;  // no reader for this type yet: the shell opens the file
  }
}

// ---- showing an archive ----

std::string TMainForm::ArchiveAddress() const {
  if (!archive_) return {};
  return archive_->CurrentFolder.empty() ? archivePath_ : archivePath_ + "\\" + archive_->CurrentFolder;
}

bool TMainForm::EnterArchive(const std::string& path) {
  std::unique_ptr<TArchive> reader = NewArchiveReader(path);
  if (!reader) return false;
  archive_.reset();
  archive_ = std::move(reader);
  // A reader that cannot list the file forgets its name; the pane still needs it.
  archivePath_ = path;
  notify_.SetActive(false);
  archive_->Open(path);
  archive_->ChangeFolder("");
  view_.SetOwnerData(true);
  view_.Refresh(std::string(), false);
  view_.SetFolder(ArchiveAddress());
  return true;
}

void TMainForm::FillArchiveList(bool& handled) {
  if (!archive_) {
    // Nothing to show: the pane goes back to the folder it came from.
    handled = false;
    PostMessageW(Handle(), WM_COMMAND, cmLeaveArchive, 0);
    return;
  }
  TFiles& files = view_.Files();
  files.Clear();
  files.AddEntry("..", std::string(), faDirectory, 0, 0);
  archive_->FillList(files);
  handled = true;  // the drive entries follow, as in every listing
}

void TMainForm::LeaveArchive() {
  if (!view_.OwnerData() && !archive_) return;
  const std::string name = FileNamePart(archivePath_);
  TFiles& files = view_.Files();
  files.BeginUpdate();
  view_.SetOwnerData(false);
  suppressHistory_ = true;
  view_.SetFolder(lastRealFolder_);
  const int i = files.IndexOf(name);
  if (i >= 0) view_.SetItemIndex(i);
  archive_.reset();
  files.EndUpdate();
  notify_.SetActive(autoRefresh_);
}

void TMainForm::ArchiveChangeFolder(const std::string& name) {
  if (!archive_) return;
  const std::string old = archive_->CurrentFolder;
  if (name == ".." && old.empty()) {
    LeaveArchive();
    return;
  }
  if (!archive_->ChangeFolder(name)) return;
  std::string focus;
  if (name == "..") {
    focus = LastComponent(old);
  } else if (name == "\\") {
    const size_t slash = old.find('\\');
    focus = old.substr(0, slash);
  }
  view_.Refresh(focus, false);
  view_.SetFolder(ArchiveAddress());
}

bool TMainForm::OpenInArchive() {
  const TFile* file = view_.FocusedFile();
  if (!file) return true;
  if (file->IsParent()) ArchiveChangeFolder("..");
  else if (file->IsDrive()) {
    const std::string drive = file->Name();
    LeaveArchive();
    if (StartsWith(drive, "/")) BrowseNetwork();
    else view_.SetDrive(drive);
  } else if (file->IsFolder()) {
    ArchiveChangeFolder(file->FullName());
  } else {
    const std::string extracted = ExtractEntryToTemp(*file);
    if (!extracted.empty()) ShellOpen(extracted, std::string(), std::string(), false);
  }
  return true;
}

std::string TMainForm::ExtractEntryToTemp(const TFile& file) {
  if (!archive_) return {};
  const std::string entry = InArchivePath(archive_->CurrentFolder, file.FullName());
  const std::string temp = StripBackslash(TempFolder());
  uint32_t answer = 0;
  ExtractArchive(archivePath_, temp, {{entry, false}}, answer);
  const std::string path = JoinPath(temp, entry);
  const uint32_t attributes = TWin32FileSystem::Instance().GetAttributes(path);
  return attributes == kInvalidAttributes || (attributes & faDirectory) ? std::string() : path;
}

// ---- extraction ----

void TMainForm::AttachArchiveHandlers(TArchive& archive, bool& ended) {
  TfCopying& dialog = CopyingDialog();
  archive.OnProgress = [&dialog, &ended](TArchive& a, TProgressKind kind, uint64_t value, const std::string& name) {
    switch (kind) {
      case pkNewFile:
        dialog.SetFileLine(Format("%s (%s bytes)", FileNamePart(name).c_str(), GroupThousands(value).c_str()));
        dialog.SetCurrent(dialog.Current() + 1);
        break;
      case pkBytes: dialog.AddProgress(value); break;
      case pkDone:
        if (!ended) dialog.End();
        ended = true;
        break;
      case pkTotalCount: dialog.SetTotal(static_cast<int>(value)); break;
      case pkTotalBytes: dialog.SetTotalBytes(value); break;
    }
    if (kind != pkDone) dialog.ProcessMessages();
    a.Abort = dialog.Cancelled();
  };
  archive.OnChangeVolume = [this, &dialog](const std::string& volume, int32_t& mode) {
    if (mode == 0) {
      const std::string text = FillText(LoadText(kTextInsertDisk), {volume});
      if (Questions().Message(text, LoadText(kTextError), mbYesNo, miWarning) == mrYes) mode = 1;
    }
    if (mode == 1) dialog.SetSource(FileNamePart(volume));
  };
  archive.OnFileExists = [this, &dialog](TArchive&, const TFile& entry, uint32_t& answer, const std::string& target) {
    if (answer & feAll) return;
    dialog.PauseTimer();
    std::string destination = target;
    answer = Questions().AskFileExists(entry.FullName(), destination, true);
    dialog.RestartTimer();
  };
}

bool TMainForm::ExtractArchive(const std::string& path, const std::string& destination,
                               const std::vector<TSelectionItem>& entries, uint32_t& answer) {
  std::unique_ptr<TArchive> reader = NewArchiveReader(path);
  if (!reader) return false;
  reader->Open(path);
  if (reader->FileName.empty()) return false;
  reader->Selection = entries;
  const bool withDialog = ArchiveKind(path) != kArchiveArj;
  bool ended = !withDialog;
  if (withDialog) {
    AttachArchiveHandlers(*reader, ended);
    TfCopying& dialog = CopyingDialog();
    dialog.Begin(LoadText(kTextExtracting), 0, 0, pmBytes);
    dialog.SetSource(FileNamePart(path));
    dialog.SetTarget(LastComponent(destination));
    if ((answer & feAll) && (answer & (feOverwrite | feSkip))) reader->Answer = answer;
  }
  // The library extracts into the process's current folder; a folder left current could not
  // be deleted or renamed afterwards (Install removes its folder at once), so it is put back.
  IFileSystem& fs = TWin32FileSystem::Instance();
  const std::string current = fs.CurrentDir();
  reader->Extract(destination);
  fs.SetCurrentDir(current);
  if (!ended) CopyingDialog().End();
  ended = true;
  // Entries the library refused or found damaged are told, all in one box.
  if (!reader->Problems.empty()) {
    constexpr size_t kShown = 12;
    std::string text;
    for (size_t i = 0; i < reader->Problems.size() && i < kShown; ++i) text += (i ? "\n" : "") + reader->Problems[i];
    if (reader->Problems.size() > kShown) text += Format("\n... (%d more)", static_cast<int>(reader->Problems.size() - kShown));
    Questions().Message(text, LoadText(kTextError), mbOk, miStop);
  }
  answer = reader->Answer;
  return true;
}

std::vector<TSelectionItem> TMainForm::CollectedArchiveEntries() {
  std::vector<TSelectionItem> entries;
  if (!archive_) return entries;
  for (const int i : CollectedEntries()) {
    const TFile* file = view_.Files().Items(i);
    entries.push_back({InArchivePath(archive_->CurrentFolder, file->FullName()), file->IsFolder()});
  }
  return entries;
}

void TMainForm::ExtractCommand() {
  std::vector<std::string> archives;
  std::vector<TSelectionItem> entries;
  if (InArchive()) {
    entries = CollectedArchiveEntries();
    if (entries.empty()) return;
  } else {
    const std::vector<int> items = CollectedEntries();
    if (items.empty()) return;
    if (view_.SelCount() == 0 && !IsArchiveFile(*view_.Files().Items(items.front()))) return;
    for (const int i : items) {
      const TFile* file = view_.Files().Items(i);
      if (IsArchiveFile(*file)) archives.push_back(JoinPath(view_.Folder(), file->FullName()));
    }
    if (archives.empty()) return;
  }
  const std::string destination = AskDestination(std::string());
  if (destination.empty()) return;
  notify_.SetActive(false);
  uint32_t answer = 0;
  if (InArchive()) {
    ExtractArchive(archivePath_, destination, entries, answer);
  } else {
    for (const std::string& archive : archives) {
      ExtractArchive(archive, destination, {}, answer);
      if (answer & feCancel) break;
    }
  }
  const TFile* focused = view_.FocusedFile();
  view_.Refresh(focused ? focused->FullName() : std::string(), true);
  UpdateDiskInfo();
  UpdateSelectionInfo();
  if (!InArchive()) notify_.SetActive(autoRefresh_);
}

void TMainForm::ExtractToCommand() {
  if (InArchive()) return;
  // Each archive goes into a folder of its base name beside it.
  std::vector<std::pair<std::string, std::string>> archives;
  for (const int i : CollectedEntries()) {
    const TFile* file = view_.Files().Items(i);
    if (IsArchiveFile(*file)) archives.emplace_back(file->FullName(), file->Name());
  }
  if (archives.empty()) return;
  notify_.SetActive(false);
  uint32_t answer = 0;
  for (const auto& [name, base] : archives) {
    const std::string folder = JoinPath(view_.Folder(), base);
    if (!IsFolder(folder)) CreateDirectoryW(Widen(folder).c_str(), nullptr);
    if (!IsFolder(folder)) continue;
    ExtractArchive(JoinPath(view_.Folder(), name), folder, {}, answer);
    if (answer & feCancel) break;
  }
  FinishOperation();
}

void TMainForm::InstallCommand() {
  const TFile* focused = view_.FocusedFile();
  if (!focused || !focused->IsFile()) return;
  const bool inside = InArchive();
  if (!inside && !IsArchiveFile(*focused)) return;
  const std::string archive = inside ? archivePath_ : JoinPath(view_.Folder(), focused->FullName());
  IFileSystem& fs = TWin32FileSystem::Instance();
  notify_.SetActive(false);
  const std::string temp = JoinPath(StripBackslash(TempFolder()), kInstallFolder);
  CreateDirectoryW(Widen(temp).c_str(), nullptr);
  if (IsFolder(temp)) {
    uint32_t answer = feOverwrite | feAll;
    ExtractArchive(archive, temp, {}, answer);
  }
  std::string program;
  if (inside && SameTextAscii(focused->Ext(), "exe")) {
    program = JoinPath(JoinPath(temp, archive_->CurrentFolder), focused->FullName());
  } else if (fs.FileExists(JoinPath(temp, "setup.exe"))) {
    program = JoinPath(temp, "setup.exe");
  } else if (fs.FileExists(JoinPath(temp, "install.exe"))) {
    program = JoinPath(temp, "install.exe");
  }
  if (!program.empty() && fs.FileExists(program)) {
    ShellOpen(program, std::string(), std::string(), false);
    Questions().Message(LoadText(kTextInstallDone), LoadText(kTextInstallCaption), mbOk, miInformation);
  } else {
    Questions().Message(LoadText(kTextNoInstaller), LoadText(kTextInstallCaption), mbOk, miStop);
  }
  TFileDelete remover(Handle(), Questions(), nullptr);
  remover.ShowProgress = false;
  remover.UseRecycleBin = false;
  remover.ConfirmImportant = false;
  remover.AddSource(temp);
  remover.Execute();
  if (!inside) notify_.SetActive(autoRefresh_);
}

void TMainForm::ArchiveMenu(POINT screen) {
  HMENU menu = CreatePopupMenu();
  AppendCommand(menu, cmOpen, "&Open");
  AppendCommand(menu, cmExtract, "&Extract");
  AppendCommand(menu, cmLeaveArchive, "E&xit");
  RunCommand(TrackMenu(menu, screen, TPM_RIGHTBUTTON));
}

}  // namespace quill

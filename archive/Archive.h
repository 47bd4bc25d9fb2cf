// TArchive: the entries of an archive shown as a folder tree in the pane, common to every
// reader. A reader lists its entries with AddFolderEntry/AddFileEntry and calls BuildFolders;
// the pane then moves through the folders with ChangeFolder and gets each folder's contents
// through FillList. Portable: files, questions and texts come in through the services.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/CodePage.h"
#include "base/Collator.h"
#include "base/FileSystem.h"
#include "fileview/File.h"
#include "messages/Messages.h"
#include "messages/Questions.h"

namespace quill {

// What OnProgress reports.
enum TProgressKind : int {
  pkNewFile = 0,     // a file starts: value = its size, name = its path inside the archive
  pkBytes = 1,       // value = bytes just processed
  pkDone = 2,        // the operation ended
  pkTotalCount = 3,  // value = number of files to process
  pkTotalBytes = 4,  // value = their total size
};

// AddOptions bits.
constexpr uint8_t aoKeepFolders = 1 << 0;  // always set
constexpr uint8_t aoRecurse = 1 << 1;
constexpr uint8_t aoFreshen = 1 << 2;
constexpr uint8_t aoUpdate = 1 << 3;
constexpr uint8_t aoMove = 1 << 4;  // delete the originals after adding

// ExtractOptions bits.
constexpr uint8_t eoFolderNames = 1 << 0;  // recreate the entries' folders (set by default)
constexpr uint8_t eoOverwrite = 1 << 1;    // overwrite without asking
constexpr uint8_t eoFreshen = 1 << 2;
constexpr uint8_t eoUpdate = 1 << 3;
constexpr uint8_t eoTest = 1 << 4;  // test instead of extracting

constexpr uint32_t kArchiveFolderAttribute = 0x10;

// One file or folder of the archive. Sizes are 64-bit so that totals over ZIP64 entries add up.
struct ArchiveEntry {
  std::string name;  // last component of the path: what the pane shows
  uint64_t originalSize = 0;
  uint64_t packedSize = 0;
  uint32_t attributes = 0;  // low byte of the stored attributes; 0x10 = folder
  uint64_t time = 0;        // file time, from the stored local time without conversion
  int32_t parent = -1;      // index in Folders, -1 = the root
};

// A path inside the archive ("\" separators, no leading or trailing "\") with its entry.
struct TArchiveItem {
  std::string path;
  ArchiveEntry entry;
};

// One item to add (a file system name) or extract (an in-archive path); `folder` marks a
// selected folder, which ExpandFolders widens to everything inside it.
struct TSelectionItem {
  std::string path;
  bool folder = false;
};

// The services an archive reaches the system through. Any may be left empty where a caller
// does not need it (tests, short-lived extraction objects): no questions means none are asked.
struct TArchiveServices {
  IFileSystem* fileSystem = nullptr;
  IQuestions* questions = nullptr;
  TTextLoader texts;
  const ICollator* collator = &TAsciiCollator::Instance();
  // Names and texts of the archives and their libraries: the system's ANSI code page
  // (Latin-1 when not given).
  const ICodePage* codePage = nullptr;
  // The hourglass while a listing runs (true) and back (false).
  std::function<void(bool busy)> busyCursor;
  // For the command-line archivers: the temporary folder in its short (8.3) form, ending in
  // "", and running a program with a command text until it ends (window messages going on
  // meanwhile); false when it could not be started.
  std::function<std::string()> shortTempFolder;
  std::function<bool(const std::string& program, const std::string& parameters)> runAndWait;
  // A path in its short (8.3) form, for archivers that take no blanks or long names; the path
  // as given when it has none.
  std::function<std::string(const std::string& path)> shortPath;
};

class TArchive {
public:
  explicit TArchive(TArchiveServices services = {});
  virtual ~TArchive();
  TArchive(const TArchive&) = delete;
  TArchive& operator=(const TArchive&) = delete;

  // Reads every entry of FileName (the reader's own format), ending with BuildFolders.
  virtual void List() {}
  // Puts the items of Selection into FileName.
  virtual void Add() {}
  // Extracts the items of Selection (every entry when it is empty) into `destination`.
  virtual void Extract(const std::string& destination) { (void)destination; }

  // FileName = path; lists it when the file exists.
  void Open(const std::string& path);

  void AddFolderEntry(std::string path, ArchiveEntry entry);
  void AddFileEntry(std::string path, ArchiveEntry entry);

  // Gives every folder on a file's path an entry (synthesised ones take the file's time) and
  // sets every entry's parent. Folders keeps its order; new folders are appended.
  void BuildFolders();
  // The index in Folders of `path` (case-insensitive), -1 when absent. Valid after BuildFolders.
  int FindFolder(std::string_view path) const;
  // Moves CurrentFolder: "" stays at the root, ".." goes up, "\" to the root, "\a\b" from the
  // root, anything else into a subfolder. False (and CurrentFolder unchanged) when the target
  // is not a folder of the archive.
  bool ChangeFolder(const std::string& name);
  // Appends the current folder's folders, then its files, to `list`.
  void FillList(TFiles& list) const;

  int ItemCount() const { return static_cast<int>(Files.size() + Folders.size()); }
  uint64_t OriginalTotal() const;
  uint64_t PackedTotal() const;
  // Packed as a percentage of original, rounded up; 0 for an archive without any bytes.
  uint64_t Ratio() const;
  void ClearEntries();

  // The masked password prompt; true on OK. `text` is the answer ("" after Cancel).
  bool AskPassword(std::string& text);
  // Each selected folder gets "\*.*" appended, so that it stands for everything inside it.
  static void ExpandFolders(std::vector<TSelectionItem>& list);

  std::string FileName;
  std::string CurrentFolder;
  std::function<void(TArchive&, TProgressKind, uint64_t, const std::string&)> OnProgress;
  // Mode 0: the next volume is missing, set it to 1 to go on; mode 1: the volume is being read.
  std::function<void(const std::string& volume, int32_t& mode)> OnChangeVolume;
  // Before an existing file is overwritten: (archive, the entry, Answer, target path).
  std::function<void(TArchive&, const TFile&, uint32_t&, const std::string&)> OnFileExists;
  std::vector<TArchiveItem> Files;
  std::vector<TArchiveItem> Folders;
  uint8_t AddOptions = aoKeepFolders;
  uint8_t ExtractOptions = eoFolderNames;
  std::vector<TSelectionItem> Selection;
  bool Abort = false;
  std::string Password;
  uint8_t CompressionIndex = 1;  // 0 Best, 1 Normal, 2 Fast
  int64_t VolumeSize = 0;  // volumes of 2 GB and more are asked for too
  std::string ProgramPath;
  uint32_t Answer = 0;  // feOverwrite, feSkip, feCancel, feAll of the copy engine
  // What went wrong during the last extraction without stopping it: entries refused, damaged
  // or left out, in order. The libraries go on past them, so without this list a damaged or
  // refused entry would pass unnoticed.
  std::vector<std::string> Problems;

protected:
  std::string Text(int id) const { return TextOf(services_.texts, id); }
  TArchiveServices services_;

private:
  std::string SortKey(std::string_view path) const;
  // Folders' sort keys with their indexes, in key order (rebuilt by BuildFolders).
  std::vector<std::pair<std::string, int>> sorted_;
};

// Message ids of the archive readers.
constexpr int kTextArchiveEndOfFile = 30100;
constexpr int kTextArchiveNoMemory = 30101;
constexpr int kTextArchiveBadCrc = 30102;
constexpr int kTextArchiveUnknownFormat = 30103;
constexpr int kTextArchiveNotThisKind = 30104;
constexpr int kTextArchiveOpenFailed = 30201;
constexpr int kTextArchiveCreateFailed = 30202;
constexpr int kTextArchiveCloseFailed = 30203;
constexpr int kTextArchiveReadFailed = 30204;
constexpr int kTextArchiveWriteFailed = 30205;
constexpr int kTextArchiveSmallBuffer = 30300;
constexpr int kTextArchiveUnknownError = 30301;
constexpr int kTextArchiveNoDll = 30302;
constexpr int kTextArchiveBadPassword = 30303;
constexpr int kTextArchiveNoNextVolume = 30304;
constexpr int kTextArchiveNoDiskSpace = 30305;
constexpr int kTextArchiveSameName = 30306;
constexpr int kTextPasswordPrompt = 30400;
constexpr int kTextPasswordCaption = 30401;

}  // namespace quill

// The readers that list and extract through an archiver's library (UnRAR.dll, UnACE.dll): the
// library loaded for each call and freed afterwards, its headers walked one after the other and
// each entry skipped, tested or extracted. The walk is the same for every such library; what a
// result code means, how an entry says "folder" or "encrypted" and how the command-line
// archiver is called differ, and the readers (TRar, TAce) say so by overriding.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "archive/Archive.h"

namespace quill {

class TLibraryArchive;

// RARProcessFile's and ACEProcessFile's operations.
constexpr int kLibrarySkip = 0;
constexpr int kLibraryTest = 1;
constexpr int kLibraryExtract = 2;

// The header fields the readers use, names in UTF-8 with "\" separators.
struct TLibraryHeader {
  std::string fileName;  // the entry's full path inside the archive
  uint32_t flags = 0;    // the library's own entry flags
  uint64_t packSize = 0;
  uint64_t unpSize = 0;
  uint32_t fileTime = 0;  // DOS date in the high word, time in the low one
  uint32_t fileAttr = 0;
};

// The library as one operation sees it: loaded, one archive opened, its headers walked.
class IArchiveLibrary {
public:
  virtual ~IArchiveLibrary() = default;
  // False when the library or one of the functions the reader needs is missing.
  virtual bool Load() = 0;
  virtual void Free() = 0;
  // Opens `archive` in mode 0 (list) or 1 (extract); returns the open result, 0 on success.
  virtual int Open(const std::string& archive, int mode) = 0;
  // 0 while another entry follows; the header's name is the Unicode one where the library
  // gives it.
  virtual int ReadHeader(TLibraryHeader& header) = 0;
  // `destination` "" means the current folder.
  virtual int ProcessFile(int operation, const std::string& destination) = 0;
  // Routes the library's volume callback (when `volume`) and data callback (when `data`) to
  // `archive`'s ChangeVolume and ProcessData. Called before Open: a library that takes its
  // callbacks per opened archive gets them from the Open that follows.
  virtual void SetCallbacks(TLibraryArchive& archive, bool volume, bool data) = 0;
  virtual void SetPassword(const std::string& password) = 0;
  virtual void Close() = 0;
};

class TLibraryArchive : public TArchive {
public:
  TLibraryArchive(TArchiveServices services, IArchiveLibrary* library);

  void List() override;
  void Extract(const std::string& destination) override;
  void Add() override;

  // The library's volume callback: `volume` may be changed by the handler; returns non-zero
  // to go on. While listing it always stops, so a listing covers the opened volume alone.
  int ChangeVolume(std::string& volume, int mode);
  // The library's data callback after each block; 0 stops the entry.
  int ProcessData(int size);

  // Whether an in-archive path is selected: Selection empty, or an item equal to the path or
  // to one of its folders (whole components, case-insensitive: "docs" selects "docs\a.txt",
  // not "docs2\b.txt").
  bool Selected(const std::string& path) const;
  // The archiver's command text for Add, with `listFile` the list of items.
  std::string AddCommand(const std::string& listFile) const;

protected:
  // What a listing does after skipping an entry returned `result`.
  enum class TSkipOutcome { GoOn, Stop, StopAndShow };

  // The box for a library result, with the library's caption.
  virtual void ShowResult(int code) = 0;
  // The code standing for "the library could not be loaded".
  virtual int NoLibraryCode() const = 0;
  virtual bool IsFolder(const TLibraryHeader& header) const = 0;
  virtual bool IsEncrypted(const TLibraryHeader& header) const = 0;
  virtual TSkipOutcome AfterListingSkip(int result) const = 0;
  // Whether the result that ended the header walk is worth a box (a damaged archive).
  virtual bool ReportedAtEnd(int code) const = 0;
  // The destination as the library is handed it.
  virtual std::string LibraryDestination(const std::string& destination) const { return destination; }
  // The archiver run by Add when ProgramPath is empty.
  virtual std::string DefaultProgram() const = 0;
  // What follows the mode letter of Add's command text.
  virtual std::string ModeSuffix() const { return {}; }

  void SendProgress(TProgressKind kind, uint64_t value, const std::string& name = {});

private:
  // The operation for one header of an extraction (kLibrarySkip when it is not wanted or may
  // not be written); false when the user cancelled.
  bool ChooseOperation(const TLibraryHeader& header, const std::string& destination, bool withoutPassword,
                       int& operation);

  IArchiveLibrary* library_;
  bool listing_ = false;
};

}  // namespace quill

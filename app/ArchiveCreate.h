// Making an archive from the pane's selection, apart from any window: the name rules, the
// options the reader's Add gets, and the check that lets Move to Archive delete originals only
// when the new archive, listed again, holds every file that went in.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "archive/Archive.h"
#include "base/Collator.h"
#include "base/FileSystem.h"

namespace quill {

// The creation dialog's Format list, in its order.
enum TArchiveFormat : int { afZip = 0, afRar = 1, afArj = 2, afAce = 3 };
constexpr int kArchiveFormatCount = 4;

// ".zip", ".rar", ".arj", ".ace"; ".zip" for an index outside the list.
const char* FormatExtension(int format);
// The name with the format's extension appended unless it already ends in it (any letter case).
std::string WithFormatExtension(const std::string& name, int format);

// The first volume of a set split as name.part1.rar (or part01, part001, part0001) when only
// that exists; else the path itself.
std::string FirstVolume(IFileSystem& fs, const std::string& path);

// Why a typed archive name cannot name a file.
enum class TNameProblem { None, Empty, BadCharacter, TrailingDotOrBlank };
// A path the file system would refuse or silently change: * ? " < > | or a control character
// anywhere, a ":" other than a drive's, or a component ending in a dot or a blank (the system
// drops those, so the archive would appear under another name).
TNameProblem CheckArchiveName(const std::string& name);

// One run of the add command, as the dialog left it.
struct TCreateRequest {
  std::string folder;  // the pane's folder: sources are relative to it
  std::string name;    // as typed: relative to `folder` or absolute
  int format = afZip;
  bool move = false;
  std::vector<TSelectionItem> sources;
  bool recursive = false;
  int compression = 1;
  int64_t volumeSize = 0;
  std::string password;
};

// The archive's full path: the name with its extension, joined to the folder unless absolute.
std::string CreatedArchivePath(const TCreateRequest& request);

// The reader's options for the request. The move bit is never given to the archiver: the
// originals are deleted here, after the check, so a failing archiver cannot lose them.
void PrepareAdd(TArchive& archive, const TCreateRequest& request);

// A file the archive must hold after the run: its path inside the archive and its size.
struct TExpectedFile {
  std::string path;
  uint64_t size = 0;
};
// Every file the sources stand for: a file itself, a folder's files (and with `recursive` those
// of its subfolders, at any depth). Hidden and system files count: a delete would take them too.
std::vector<TExpectedFile> ExpectedFiles(IFileSystem& fs, const std::string& folder,
                                         const std::vector<TSelectionItem>& sources, bool recursive);
// The expected files the listings lack or hold with another size, in order (none when all are
// there). The listings are the volumes of one set: a file's parts add up. Paths compare
// case-insensitively; "/" and "\" are the same separator.
std::vector<std::string> MissingFromListing(const std::vector<const TArchive*>& volumes,
                                            const std::vector<TExpectedFile>& expected, const ICollator& collator);

// What one run needs from outside: readers, the archiver's run and the deletion of originals.
struct TCreateHooks {
  IFileSystem* fileSystem = nullptr;
  const ICollator* collator = &TAsciiCollator::Instance();
  // A reader for the archive's format, with its archiver path set.
  std::function<std::unique_ptr<TArchive>(const std::string& path, int format)> newReader;
  // Runs the prepared reader's Add; true when the archiver reported success (not failed, not
  // cancelled).
  std::function<bool(TArchive& reader)> runAdd;
  // Deletes these full paths (files, and folders with everything in them) for good; true when
  // all are gone.
  std::function<bool(const std::vector<std::string>& paths)> deleteOriginals;
};

struct TCreateResult {
  std::string path;                  // the archive made or added to
  TNameProblem nameProblem = TNameProblem::None;  // set: nothing was run
  bool added = false;                // the archiver reported success
  std::vector<std::string> missing;  // a move's files the archive does not hold
  bool deleted = false;              // a move's originals are gone
};

// Runs the add: name check, reader, options, Add; for a move, the new listing is checked
// against the files that went in, and the originals are deleted only when every one is there.
TCreateResult RunCreateArchive(const TCreateRequest& request, TCreateHooks& hooks);

}  // namespace quill

#include "app/ArchiveCreate.h"

#include <map>

#include "base/Path.h"
#include "base/Text.h"

namespace quill {

namespace {

bool IsAbsolutePath(const std::string& path) {
  if (path.size() < 2) return false;
  return path[1] == ':' || (IsPathSeparator(path[0]) && IsPathSeparator(path[1]));
}

// Inside-archive spelling: "\" separators, no leading ".\" or separator.
std::string ArchivePathKey(std::string path, const ICollator& collator) {
  for (char& c : path)
    if (c == '/') c = '\\';
  while (StartsWith(path, ".\\")) path.erase(0, 2);
  while (!path.empty() && path.front() == '\\') path.erase(0, 1);
  return collator.FoldName(path);
}

void AddFolderFiles(IFileSystem& fs, const std::string& full, const std::string& inArchive, bool recursive,
                    std::vector<TExpectedFile>& out) {
  std::vector<std::string> subfolders;
  const bool read = fs.Enumerate(JoinPath(full, "*.*"), [&](const TFindData& found) {
    if (found.name == "." || found.name == "..") return;
    if (found.attributes & faDirectory) subfolders.push_back(found.name);
    else out.push_back({inArchive + "\\" + found.name, found.size});
  });
  // A folder that cannot be read may hold anything: a file no archive can list stands for it,
  // so that nothing inside it is ever deleted unseen.
  if (!read) out.push_back({inArchive + "\\*", UINT64_MAX});
  if (!recursive) return;
  for (const std::string& name : subfolders)
    AddFolderFiles(fs, JoinPath(full, name), inArchive + "\\" + name, true, out);
}

}  // namespace

std::string FirstVolume(IFileSystem& fs, const std::string& path) {
  const auto [base, extension] = SplitName(path);
  for (const char* part : {".part1.", ".part01.", ".part001.", ".part0001."}) {
    const std::string volume = base + part + extension;
    if (fs.FileExists(volume)) return volume;
  }
  return path;
}

const char* FormatExtension(int format) {
  switch (format) {
    case afRar: return ".rar";
    case afArj: return ".arj";
    case afAce: return ".ace";
    default: return ".zip";
  }
}

std::string WithFormatExtension(const std::string& name, int format) {
  const std::string extension = SplitName(FileNamePart(name)).second;
  const char* wanted = FormatExtension(format);
  return SameTextAscii(extension, wanted + 1) ? name : name + wanted;
}

TNameProblem CheckArchiveName(const std::string& name) {
  if (Trim(name).empty()) return TNameProblem::Empty;
  const size_t start = name.size() >= 2 && name[1] == ':' ? 2 : 0;
  for (size_t i = start; i < name.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(name[i]);
    if (c < 0x20 || c == 0x7F || c == '*' || c == '?' || c == '"' || c == '<' || c == '>' || c == '|' || c == ':')
      return TNameProblem::BadCharacter;
  }
  // Every component, the last one most of all: "." and ".." are moves, not names.
  size_t begin = start;
  while (begin <= name.size()) {
    size_t end = begin;
    while (end < name.size() && !IsPathSeparator(name[end])) ++end;
    const std::string_view part(name.data() + begin, end - begin);
    if (!part.empty() && part != "." && part != ".." && (part.back() == '.' || part.back() == ' '))
      return TNameProblem::TrailingDotOrBlank;
    if (end == name.size()) {
      if (part.empty()) return TNameProblem::Empty;  // a folder, not a file name
      break;
    }
    begin = end + 1;
  }
  return TNameProblem::None;
}

std::string CreatedArchivePath(const TCreateRequest& request) {
  const std::string name = WithFormatExtension(Trim(request.name), request.format);
  return IsAbsolutePath(name) ? name : JoinPath(request.folder, name);
}

void PrepareAdd(TArchive& archive, const TCreateRequest& request) {
  archive.AddOptions = aoKeepFolders;
  if (request.recursive) archive.AddOptions |= aoRecurse;
  if (!request.password.empty()) archive.Password = request.password;
  if (request.volumeSize > 0) archive.VolumeSize = request.volumeSize;
  archive.CompressionIndex = static_cast<uint8_t>(request.compression);
  archive.Selection = request.sources;
}

std::vector<TExpectedFile> ExpectedFiles(IFileSystem& fs, const std::string& folder,
                                         const std::vector<TSelectionItem>& sources, bool recursive) {
  std::vector<TExpectedFile> out;
  for (const TSelectionItem& source : sources) {
    const std::string full = JoinPath(folder, source.path);
    if (fs.DirectoryExists(full)) {
      AddFolderFiles(fs, full, source.path, recursive, out);
      continue;
    }
    bool found = false;
    fs.Enumerate(full, [&](const TFindData& data) {
      if (found || (data.attributes & faDirectory)) return;
      found = true;
      out.push_back({source.path, data.size});
    });
    // A source that has gone cannot be checked: it is expected with a size nothing matches.
    if (!found) out.push_back({source.path, UINT64_MAX});
  }
  return out;
}

std::vector<std::string> MissingFromListing(const std::vector<const TArchive*>& volumes,
                                            const std::vector<TExpectedFile>& expected, const ICollator& collator) {
  // A file split across volumes is listed once in each, with the part that volume holds.
  std::map<std::string, uint64_t> sizes;
  for (const TArchive* listed : volumes)
    for (const TArchiveItem& item : listed->Files)
      sizes[ArchivePathKey(item.path, collator)] += item.entry.originalSize;
  std::vector<std::string> missing;
  for (const TExpectedFile& file : expected) {
    const auto found = sizes.find(ArchivePathKey(file.path, collator));
    if (found == sizes.end() || found->second != file.size) missing.push_back(file.path);
  }
  return missing;
}

TCreateResult RunCreateArchive(const TCreateRequest& request, TCreateHooks& hooks) {
  TCreateResult result;
  result.nameProblem = CheckArchiveName(request.name);
  if (result.nameProblem != TNameProblem::None || request.sources.empty()) return result;
  result.path = CreatedArchivePath(request);

  // What a move will have to find in the archive, taken before the archiver touches anything.
  std::vector<TExpectedFile> expected;
  if (request.move && hooks.fileSystem)
    expected = ExpectedFiles(*hooks.fileSystem, request.folder, request.sources, request.recursive);

  {
    std::unique_ptr<TArchive> reader = hooks.newReader(result.path, request.format);
    if (!reader) return result;
    reader->Open(result.path);
    reader->FileName = result.path;  // a reader that could not list an existing file forgets it
    PrepareAdd(*reader, request);
    result.added = hooks.runAdd(*reader);
  }
  if (result.added && request.volumeSize > 0 && hooks.fileSystem && !hooks.fileSystem->FileExists(result.path))
    result.path = FirstVolume(*hooks.fileSystem, result.path);
  if (!request.move || !result.added || !hooks.fileSystem) return result;

  std::unique_ptr<TArchive> check = hooks.newReader(result.path, request.format);
  if (!check) return result;
  check->Open(result.path);
  std::vector<std::unique_ptr<TArchive>> volumes;
  std::vector<const TArchive*> listed{check.get()};
  // ARJ's reader lists one volume at a time: the others (name.a01, name.a02, ...) are listed too.
  if (request.format == afArj && request.volumeSize > 0) {
    const std::string base = SplitName(result.path).first;
    for (int n = 1; n < 1000; ++n) {
      const std::string volume = base + Format(".a%02d", n);
      if (!hooks.fileSystem->FileExists(volume)) break;
      volumes.push_back(hooks.newReader(volume, request.format));
      if (!volumes.back()) break;
      volumes.back()->Open(volume);
      listed.push_back(volumes.back().get());
    }
  }
  result.missing = MissingFromListing(listed, expected, *hooks.collator);
  if (!result.missing.empty()) return result;

  std::vector<std::string> originals;
  for (const TSelectionItem& source : request.sources) {
    const std::string full = JoinPath(request.folder, source.path);
    // Without recursion only a folder's own files went in; its subfolders stay where they are.
    if (hooks.fileSystem->DirectoryExists(full) && !request.recursive) continue;
    originals.push_back(full);
  }
  if (!request.recursive) {
    for (const TExpectedFile& file : expected)
      if (file.path.find('\\') != std::string::npos) originals.push_back(JoinPath(request.folder, file.path));
  }
  result.deleted = hooks.deleteOriginals(originals);
  return result;
}

}  // namespace quill

#include "app/Startup.h"

#include <algorithm>
#include <cstdlib>

#include "base/Text.h"
#include "base/TextFile.h"

namespace quill {

namespace {
// Beyond this no screen coordinate is meaningful; such values come from damaged files.
constexpr int64_t kCoordinateLimit = 32000;
}

TPlacement ParsePlacement(std::string_view text) {
  const std::vector<std::string> items = Split(text, ',');
  TPlacement fallback;
  if (items.size() < 5) return fallback;
  int64_t v[5];
  for (int i = 0; i < 5; ++i)
    if (!ParseInt(items[i], v[i])) return fallback;
  TPlacement p;
  p.maximized = v[0] != 0;
  if (p.maximized) return p;
  for (int i = 1; i < 5; ++i)
    if (v[i] > kCoordinateLimit || v[i] < -kCoordinateLimit) return fallback;
  if (v[3] <= 0 || v[4] <= 0) return fallback;
  p.left = static_cast<int>(v[1]);
  p.top = static_cast<int>(v[2]);
  p.width = static_cast<int>(v[3]);
  p.height = static_cast<int>(v[4]);
  return p;
}

std::string FormatPlacement(const TPlacement& p) {
  return Format("%d,%d,%d,%d,%d", p.maximized ? 1 : 0, p.left, p.top, p.width, p.height);
}

std::string CommandLineArgument(std::string_view line) {
  size_t pos = 0;
  if (!line.empty() && line[0] == '"') {
    size_t close = line.find('"', 1);
    pos = close == std::string_view::npos ? line.size() : close + 1;
  } else {
    size_t blank = line.find_first_of(" \t");
    pos = blank == std::string_view::npos ? line.size() : blank;
  }
  std::string rest = TrimLeft(line.substr(pos));
  rest = TrimRight(rest);
  if (rest.size() >= 2 && rest.front() == '"' && rest.back() == '"') rest = rest.substr(1, rest.size() - 2);
  return rest;
}

TPaneSettings ReadPaneSettings(const TIniFile& ini) {
  TPaneSettings s;
  const std::vector<std::string> font = Split(ini.ReadString("Option", "FFont", "\"MS Sans Serif\",9,0"), ',');
  if (!font.empty()) {
    std::string face = Trim(font[0]);
    if (face.size() >= 2 && face.front() == '"' && face.back() == '"') face = face.substr(1, face.size() - 2);
    if (!face.empty()) s.fontFace = face;
  }
  int64_t size = 0;
  if (font.size() > 1 && ParseInt(font[1], size) && size > 0 && size <= 72) s.fontSize = static_cast<int>(size);
  int64_t bold = 0;
  if (font.size() > 2 && ParseInt(font[2], bold)) s.fontBold = bold != 0;
  s.viewHidden = ini.ReadBool("Option", "Hidden", false);
  const int sort = ini.ReadInteger("Option", "Sort", fstExt);
  s.sortType = (sort >= fstName && sort <= fstNone) ? static_cast<TFileSortType>(sort) : fstExt;
  s.pathCaption = ini.ReadBool("Option", "PathCaption", false);
  s.autoRefresh = ini.ReadBool("Option", "AutoRefresh", true);
  auto inRange = [&](const char* key, int fallback, int low, int high) {
    const int value = ini.ReadInteger("Option", key, fallback);
    return value >= low && value <= high ? value : fallback;
  };
  s.longName = ini.ReadBool("Option", "LongName", true);
  s.charCase = inRange("CharCase", 1, 0, 3);
  s.attachExt = ini.ReadBool("Option", "AttachExt", false);
  s.focusStyle = inRange("Focus", 0, 0, 2);
  s.autoColumn = ini.ReadBool("Option", "AutoCol", true);
  s.column = inRange("Col", 2, 1, 6);
  // Read as a Boolean: only the list and the icon style exist.
  s.viewStyle = ini.ReadBool("Option", "Views", false) ? 1 : 0;
  s.viewIcon = ini.ReadBool("Option", "Icon", false);
  s.folderInfo = ini.ReadBool("Option", "FolderInfo", true);
  s.columnLine = ini.ReadBool("Option", "ColLine", true);
  s.fileType = ini.ReadBool("Option", "FileType", true);
  return s;
}

void RestoreFolder(TQuillView& view, const TIniFile& ini, IFileSystem& fs, const ICodePage& codePage,
                   const TProgramFiles& files, std::string_view argument) {
  try {
    if (!argument.empty() && fs.DirectoryExists(std::string(argument))) {
      view.SetFolder(argument);
    } else {
      const bool startDir = ini.ReadBool("Option", "StartDir", false);
      if (startDir) view.SetFolder(ini.ReadString("Option", "Start", "C:\\"));
      std::string bytes;
      if (ini.ReadBool("Option", "SaveLastDir", true) && fs.ReadAll(files.LastDir(), bytes)) {
        std::vector<std::string>& memory = view.DriveMemory();
        memory = DecodeLines(bytes, codePage);
        // The last line names the drive that was current; it is taken out before switching,
        // because switching adds a line for a drive the list does not know yet.
        if (!memory.empty()) {
          const std::string lastDrive = memory.back();
          memory.pop_back();
          if (!startDir) view.SetDrive(Trim(lastDrive));
        }
      }
    }
  } catch (...) {
    // A damaged setting must not keep the window from opening; the fallback below applies.
  }
  if (view.Drive().empty() || view.Folder().empty()) view.SetFolder("C:\\");
}

void OpenStartFolder(TQuillView& view, const TIniFile& ini, IFileSystem& fs, const ICodePage& codePage,
                     const TProgramFiles& files, std::string_view argument) {
  const TPaneSettings settings = ReadPaneSettings(ini);
  view.SetViewHidden(settings.viewHidden);
  if (settings.sortType != fstNone) view.SetSortType(settings.sortType);
  RestoreFolder(view, ini, fs, codePage, files, argument);
}

std::vector<std::string> LoadHistory(IFileStore& store, const ICodePage& codePage, const TProgramFiles& files) {
  std::string bytes;
  if (!store.ReadAll(files.History(), bytes)) return {};
  std::vector<std::string> lines = DecodeLines(bytes, codePage);
  // A blank line is no command, and a stray control character (a damaged file) would only end
  // up in the box's list as an unprintable one.
  std::erase_if(lines, [](const std::string& line) {
    return line.find_first_not_of(" \t") == std::string::npos ||
           std::any_of(line.begin(), line.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 && c != '\t'; });
  });
  if (lines.size() > kHistoryLimit) lines.erase(lines.begin(), lines.end() - kHistoryLimit);
  return lines;
}

void SaveOnClose(TIniFile& ini, const TPlacement& placement, TQuillView& view, const std::vector<std::string>& history,
                 IFileStore& store, const ICodePage& codePage, const TProgramFiles& files) {
  try {
    ini.WriteString("Window", "File", FormatPlacement(placement));
    ini.Flush();
  } catch (...) {
  }
  try {
    if (ini.ReadBool("Option", "SaveLastDir", true)) {
      std::vector<std::string> lines = view.DriveMemory();
      lines.push_back(view.Drive());
      store.WriteAll(files.LastDir(), EncodeLines(lines, codePage));
    }
  } catch (...) {
  }
  try {
    store.WriteAll(files.History(), EncodeLines(history, codePage));
  } catch (...) {
  }
}

}  // namespace quill

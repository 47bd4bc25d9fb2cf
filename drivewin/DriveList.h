// The rows of the drive window and the rules around them: which drives, work folders and the
// network row are listed, which row starts selected, how sizes and states read, and the UNC name
// rules of the network browser. Portable: volumes are asked through IFileSystem.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/FileSystem.h"

namespace quill {

// Row types beyond the system's drive types 0 - 6.
constexpr uint32_t kDriveWorkFolder = 7;

constexpr const char* kNetworkRowId = "/:";

struct TDriveItem {
  std::string Id;      // "C:" for a drive, "1:" - "3:" for a work folder, "/:" for the network row
  std::string Label;   // volume label text, the work folder's path, or "Network"
  uint64_t Size = 0;   // total bytes of a ready drive other than a removable one, else 0
  uint32_t DriveType = kDriveUnknown;

  bool IsNetworkRow() const { return Id == kNetworkRowId; }
  bool IsWorkFolder() const { return DriveType == kDriveWorkFolder; }
  bool IsDrive() const { return !IsNetworkRow() && !IsWorkFolder(); }
  bool operator==(const TDriveItem&) const = default;
};

// Total bytes of the volume with this root ("C:\"); 0 when unknown.
using TDiskSizeFn = std::function<uint64_t(const std::string& root)>;

// At most this many hidden letters count; the rest of the text is ignored.
constexpr size_t kMaxHiddenLetters = 32;

// The rows, in order: every drive of the logical-drive mask whose letter is not hidden (case
// ignored), the work folders that are set, then the network row unless "/" is hidden. Removable
// drives are not touched (no label read, no size: that would spin up a floppy); other drives get
// their size only when the volume is ready.
std::vector<TDriveItem> BuildDriveItems(IFileSystem& fs, const TDiskSizeFn& diskSize,
                                        const std::array<std::string, 3>* workFolders, std::string_view hidden);

// The row shown selected for the chosen value: the network row for a value starting with "\",
// else the first row whose Id starts with the value's first character (case ignored); row 0 when
// nothing matches (also for an empty list, so callers check the count).
int PreselectedRow(const std::vector<TDriveItem>& items, std::string_view value);

// The row a typed character chooses (letters case-insensitive, digits, "/"); -1 for none.
int RowForKey(const std::vector<TDriveItem>& items, char key);

constexpr int kDriveRowHeight = 20;
constexpr int kMinDriveClientHeight = 200;

// The window's client height for `rows` rows between the tool bar and the status bar.
int DriveClientHeight(int rows, int toolBarHeight, int statusBarHeight);

// "954 MB" up to 999,999,999 bytes (binary megabytes), above it "1.86 GB" (binary gigabytes);
// three significant digits in general format.
std::string DriveSizeText(uint64_t bytes);

// The status bar's text for a row: a work folder's path, else the name of its drive type.
std::string DriveStatusText(const TDriveItem& item);

// The name of the row's glyph: "HDD", "FDD", "NET", "CD", "OPENDIR" or "NETe".
std::string DriveGlyphName(const TDriveItem& item);

// Which tool bar commands apply to the row.
bool CanFormatRow(const TDriveItem& item);      // removable drives
bool CanDisconnectRow(const TDriveItem& item);  // network drives, not the network row

// Where the network browser starts for a start text: "\\server" from the text's third character
// up to the next "\" or "/"; empty (the network neighbourhood) for texts shorter than three
// characters or without a server name there.
std::string NetworkStartServer(std::string_view start);

// A share root as the shell names it: starts with "\" and holds exactly three "\".
bool IsShareRoot(std::string_view name);

// The share root "\\server\share" a shell object stands for: for names starting with "\" that
// hold more than two "\", the text before the fourth "\"; empty for anything else (a server, a
// workgroup, a local path), which the browser opens as a location instead.
std::string ShareRootOf(std::string_view name);

}  // namespace quill

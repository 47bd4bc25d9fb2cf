// The texts and sizes of the status area's panels: the focused entry, the selection and the
// current drive. Portable: the main window supplies the drive figures, the local time of the
// entry and the string table.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "fileview/File.h"
#include "fileview/FileUtils.h"
#include "messages/Messages.h"

namespace quill {

constexpr int kTextFolder = 535;
constexpr int kTextSelection = 536;
constexpr int kTextNetworkPlaces = 800;

constexpr int kFileInfoPanelWidth = 240;
// Drives up to this size are shown in kilobytes, larger ones in megabytes.
constexpr uint64_t kDiskKiloLimit = 10485760;
constexpr int kDiskGaugeSteps = 9;

// The name of a system drive type; "Unknown" for values outside the table.
std::string DriveTypeName(uint32_t driveType);

struct TFileInfoText {
  std::string text;
  bool opensAttributes = false;  // hand cursor, a click opens Attributes/Time
};

// The file panel for the focused entry. A drive entry shows its type name (`driveType`), label
// and letter, the network entry "Network Places"; a folder or file its size (or "Folder"),
// date, time and attributes. `localTime` is the entry's time in local time; without it the date
// and time are left empty.
TFileInfoText FileInfoText(const TFile& file, uint32_t driveType, const std::optional<TCalendarTime>& localTime,
                           const TTextLoader& loader);

// The selection panel's text; nothing (the panel is hidden) when no entry is selected.
std::optional<std::string> SelectionText(int count, uint64_t totalSize, const TTextLoader& loader);

// Used space in gauge steps of nine; 0 for a drive without a size.
int DiskGaugeSteps(uint64_t total, uint64_t free);

struct TDiskAmounts {
  uint64_t free = 0;
  uint64_t total = 0;
  std::string unit = "K";
  bool operator==(const TDiskAmounts&) const = default;
};
// Free and total space in kilobytes for drives up to kDiskKiloLimit bytes, else in megabytes
// (truncated).
TDiskAmounts DiskAmounts(uint64_t total, uint64_t free);

// The room W the disk panel has: the client width less the selection panel (when shown), the
// file panel and 8 pixels.
int DiskPanelRoom(int clientWidth, bool selectionVisible, int selectionWidth);

struct TDiskPanel {
  int width = 0;
  std::string text;
  bool operator==(const TDiskPanel&) const = default;
};
// The disk panel's width and text for room W; nothing (leave the panel as it is) when W is 130
// or less. The wider the room, the more the text says.
std::optional<TDiskPanel> DiskPanelFor(int room, uint64_t total, uint64_t free);

}  // namespace quill

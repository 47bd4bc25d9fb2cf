#include "drivewin/DriveList.h"

#include <algorithm>

#include "base/Text.h"
#include "fileview/FileUtils.h"

namespace quill {

namespace {

bool IsHidden(std::string_view hidden, char letter) {
  hidden = hidden.substr(0, std::min(hidden.size(), kMaxHiddenLetters));
  return std::any_of(hidden.begin(), hidden.end(), [letter](char c) { return UpperAscii(c) == letter; });
}

TDriveItem DriveRow(IFileSystem& fs, const TDiskSizeFn& diskSize, char letter) {
  TDriveItem item;
  item.Id = std::string{letter, ':'};
  const std::string root = item.Id + "\\";
  item.DriveType = fs.DriveType(root);
  if (item.DriveType == kDriveRemovable) {
    item.Label = DriveLabelOf(item.DriveType, false, {});
    return item;
  }
  std::string label;
  const bool ready = fs.VolumeLabel(root, label);
  item.Label = DriveLabelOf(item.DriveType, ready, label);
  if (ready && diskSize) item.Size = diskSize(root);
  return item;
}

}  // namespace

std::vector<TDriveItem> BuildDriveItems(IFileSystem& fs, const TDiskSizeFn& diskSize,
                                        const std::array<std::string, 3>* workFolders, std::string_view hidden) {
  std::vector<TDriveItem> items;
  const uint32_t mask = fs.LogicalDrives();
  for (int i = 0; i < 26; ++i) {
    const char letter = static_cast<char>('A' + i);
    if ((mask & (1u << i)) && !IsHidden(hidden, letter)) items.push_back(DriveRow(fs, diskSize, letter));
  }
  if (workFolders) {
    for (size_t i = 0; i < workFolders->size(); ++i) {
      const std::string& path = (*workFolders)[i];
      if (!path.empty()) items.push_back({std::to_string(i + 1) + ":", path, 0, kDriveWorkFolder});
    }
  }
  if (!IsHidden(hidden, '/')) items.push_back({kNetworkRowId, "Network", 0, kDriveRemote});
  return items;
}

int PreselectedRow(const std::vector<TDriveItem>& items, std::string_view value) {
  if (value.empty()) return 0;
  const char first = UpperAscii(value[0]);
  for (size_t i = 0; i < items.size(); ++i) {
    const TDriveItem& item = items[i];
    const bool match = first == '\\' ? item.IsNetworkRow() : (!item.Id.empty() && item.Id[0] == first);
    if (match) return static_cast<int>(i);
  }
  return 0;
}

int RowForKey(const std::vector<TDriveItem>& items, char key) {
  const char wanted = UpperAscii(key);
  const bool usable = (wanted >= 'A' && wanted <= 'Z') || (wanted >= '1' && wanted <= '5') || wanted == '/';
  if (!usable) return -1;
  for (size_t i = 0; i < items.size(); ++i)
    if (!items[i].Id.empty() && items[i].Id[0] == wanted) return static_cast<int>(i);
  return -1;
}

int DriveClientHeight(int rows, int toolBarHeight, int statusBarHeight) {
  return std::max(kMinDriveClientHeight, rows * kDriveRowHeight + toolBarHeight + statusBarHeight + 4);
}

std::string DriveSizeText(uint64_t bytes) {
  constexpr uint64_t kLargestInMegabytes = 999'999'999;
  if (bytes <= kLargestInMegabytes) return Format("%.3g MB", static_cast<double>(bytes) / (1u << 20));
  return Format("%.3g GB", static_cast<double>(bytes) / (1u << 30));
}

std::string DriveStatusText(const TDriveItem& item) {
  if (item.IsWorkFolder()) return item.Label;
  switch (item.DriveType) {
    case kDriveUnknown: return "Unknown";
    case kDriveRemovable: return "Removable";
    case kDriveFixed: return "Local Drive";
    case kDriveRemote: return "Network";
    case kDriveCdRom: return "Compact Disk";
    case kDriveRamDisk: return "Ram Disk";
    default: return {};
  }
}

std::string DriveGlyphName(const TDriveItem& item) {
  if (item.IsNetworkRow()) return "NETe";
  switch (item.DriveType) {
    case kDriveRemovable: return "FDD";
    case kDriveRemote: return "NET";
    case kDriveCdRom: return "CD";
    case kDriveWorkFolder: return "OPENDIR";
    default: return "HDD";
  }
}

bool CanFormatRow(const TDriveItem& item) { return item.IsDrive() && item.DriveType == kDriveRemovable; }

bool CanDisconnectRow(const TDriveItem& item) { return item.IsDrive() && item.DriveType == kDriveRemote; }

std::string NetworkStartServer(std::string_view start) {
  if (start.size() < 3) return {};
  const std::string_view rest = start.substr(2);
  const std::string_view server = rest.substr(0, rest.find_first_of("\\/"));
  if (server.empty()) return {};
  return "\\\\" + std::string(server);
}

bool IsShareRoot(std::string_view name) {
  return !name.empty() && name[0] == '\\' && std::count(name.begin(), name.end(), '\\') == 3;
}

std::string ShareRootOf(std::string_view name) {
  if (name.empty() || name[0] != '\\' || std::count(name.begin(), name.end(), '\\') <= 2) return {};
  size_t seen = 0;
  for (size_t i = 0; i < name.size(); ++i)
    if (name[i] == '\\' && ++seen == 4) return std::string(name.substr(0, i));
  return std::string(name);
}

}  // namespace quill

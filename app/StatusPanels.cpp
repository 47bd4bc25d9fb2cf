#include "app/StatusPanels.h"

#include <iterator>
#include <limits>

#include "base/Text.h"
#include "fileview/FileViewLayout.h"

namespace quill {

std::string DriveTypeName(uint32_t driveType) {
  static const char* const kNames[] = {"Unknown", "", "Floppy Disk", "Local Disk",
                                       "Network", "Compact Disc", "Ram Disk"};
  return driveType < std::size(kNames) ? kNames[driveType] : kNames[0];
}

TFileInfoText FileInfoText(const TFile& file, uint32_t driveType, const std::optional<TCalendarTime>& localTime,
                           const TTextLoader& loader) {
  if (file.IsDrive()) {
    if (StartsWith(file.Name(), "/")) return {TextOf(loader, kTextNetworkPlaces), false};
    const char letter = file.Name().empty() ? ' ' : file.Name()[0];
    return {Format(" %s  |  %s (%c:)  ", DriveTypeName(driveType).c_str(), file.Ext().c_str(), letter), false};
  }
  const std::string size = file.IsFolder() ? TextOf(loader, kTextFolder) : GroupThousands(file.Size);
  const std::string date = localTime ? FileTimeText(*localTime, kTimeTextDate) : std::string();
  const std::string clock = localTime ? FileTimeText(*localTime, kTimeTextClock) : std::string();
  return {Format(" %s   |   %s, %s   |   %s  ", size.c_str(), date.c_str(), clock.c_str(),
                 AttrText(file.Attributes).c_str()),
          true};
}

std::optional<std::string> SelectionText(int count, uint64_t totalSize, const TTextLoader& loader) {
  if (count <= 0) return std::nullopt;
  return FillText(TextOf(loader, kTextSelection), {std::to_string(count), GroupThousands(totalSize)});
}

int DiskGaugeSteps(uint64_t total, uint64_t free) {
  if (total == 0) return 0;
  const uint64_t used = free < total ? total - free : 0;
  // Only drives of exabytes could overflow the product; they lose a little precision instead.
  if (used > std::numeric_limits<uint64_t>::max() / kDiskGaugeSteps)
    return static_cast<int>(used / (total / kDiskGaugeSteps));
  return static_cast<int>(used * kDiskGaugeSteps / total);
}

TDiskAmounts DiskAmounts(uint64_t total, uint64_t free) {
  if (total <= kDiskKiloLimit) return {free / 1024, total / 1024, "K"};
  return {free / 1048576, total / 1048576, "M"};
}

int DiskPanelRoom(int clientWidth, bool selectionVisible, int selectionWidth) {
  return clientWidth - (selectionVisible ? selectionWidth : 0) - kFileInfoPanelWidth - 8;
}

std::optional<TDiskPanel> DiskPanelFor(int room, uint64_t total, uint64_t free) {
  if (room <= 130) return std::nullopt;
  if (room < 190) return TDiskPanel{130, {}};
  const TDiskAmounts amounts = DiskAmounts(total, free);
  const std::string freeText = GroupThousands(amounts.free);
  if (room < 265) return TDiskPanel{190, Format("%s %s Free", freeText.c_str(), amounts.unit.c_str())};
  if (room < 370) {
    return TDiskPanel{265, Format("%s %s Free (Total %s %s)", freeText.c_str(), amounts.unit.c_str(),
                                  GroupThousands(amounts.total).c_str(), amounts.unit.c_str())};
  }
  return TDiskPanel{370, Format("%s bytes Free (Total %s bytes)", GroupThousands(free).c_str(),
                                GroupThousands(total).c_str())};
}

}  // namespace quill

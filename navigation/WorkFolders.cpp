#include "navigation/WorkFolders.h"

namespace quill {

uint32_t WorkFolderColor(std::string_view slot, std::string_view currentFolder, uint32_t windowText,
                         const ICollator& collator) {
  if (slot.empty()) return windowText;
  return collator.SameName(slot, currentFolder) ? kWorkFolderCurrentColor : kWorkFolderOtherColor;
}

const std::string& TWorkFolders::Folder(int slot) const {
  static const std::string kNone;
  return slot >= 1 && slot <= kCount ? folders_[slot - 1] : kNone;
}

std::string* TWorkFolders::SlotOf(int slot) { return slot >= 1 && slot <= kCount ? &folders_[slot - 1] : nullptr; }

std::optional<std::string> TWorkFolders::Click(int slot, std::string_view currentFolder) {
  if (IsSet(slot)) return Folder(slot);
  Set(slot, currentFolder);
  return std::nullopt;
}

bool TWorkFolders::Set(int slot, std::string_view currentFolder) {
  std::string* folder = SlotOf(slot);
  if (folder == nullptr || !folder->empty() || currentFolder.empty()) return false;
  folder->assign(currentFolder);
  return true;
}

void TWorkFolders::Clear(int slot) {
  if (std::string* folder = SlotOf(slot)) folder->clear();
}

uint32_t TWorkFolders::Color(int slot, std::string_view currentFolder, uint32_t windowText) const {
  return WorkFolderColor(Folder(slot), currentFolder, windowText, *collator_);
}

std::string TWorkFolders::Hint(int slot) const { return IsSet(slot) ? Folder(slot) : kWorkFolderHint; }

}  // namespace quill

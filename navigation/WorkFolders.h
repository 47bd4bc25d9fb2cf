// The three work-folder slots behind the work-folder buttons, and the caption colour rule.
// They live as long as the main window and are not saved. Portable.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/Collator.h"

namespace quill {

// Colours as the system writes them (0x00BBGGRR).
constexpr uint32_t kWorkFolderCurrentColor = 0x00FF00FF;  // fuchsia: the slot is the current folder
constexpr uint32_t kWorkFolderOtherColor = 0x00FFFF00;    // aqua: the slot holds another folder
constexpr const char* kWorkFolderHint = "Work Folder";

// The caption colour of a slot's button: `windowText` for an empty slot, fuchsia when it names
// the current folder (case ignored, as the file system compares names), aqua otherwise.
uint32_t WorkFolderColor(std::string_view slot, std::string_view currentFolder, uint32_t windowText,
                         const ICollator& collator = TAsciiCollator::Instance());

class TWorkFolders {
public:
  static constexpr int kCount = 3;

  explicit TWorkFolders(const ICollator& collator = TAsciiCollator::Instance()) : collator_(&collator) {}

  // Slots are numbered 1 .. 3; other numbers name an always empty slot that cannot be set.
  const std::string& Folder(int slot) const;
  bool IsSet(int slot) const { return !Folder(slot).empty(); }

  // A button click: the slot's folder to show, or, on an empty slot, nothing after storing the
  // current folder there.
  std::optional<std::string> Click(int slot, std::string_view currentFolder);
  // Set Work Folder n: stores the current folder only in an empty slot; true when it did.
  bool Set(int slot, std::string_view currentFolder);
  // A right click on the button.
  void Clear(int slot);

  uint32_t Color(int slot, std::string_view currentFolder, uint32_t windowText) const;
  // The button's hint: the folder, or "Work Folder" for an empty slot.
  std::string Hint(int slot) const;

private:
  std::string* SlotOf(int slot);

  const ICollator* collator_;
  std::array<std::string, kCount> folders_;
};

}  // namespace quill

#include "app/DropRules.h"

#include "base/Path.h"

namespace quill {

namespace {
std::string ParentFolder(std::string_view path) {
  std::string folder = FileDirPart(StripBackslash(path));
  // "C:\a.txt" lies in "C:\", not in "C:".
  if (folder.size() == 2 && folder[1] == ':') folder += '\\';
  return folder;
}

bool SameFolder(const std::string& a, const std::string& b, const ICollator& collator) {
  return collator.SameName(StripBackslash(a), StripBackslash(b));
}
}  // namespace

std::string DropSourceFolder(const std::vector<std::string>& files) {
  return files.empty() ? std::string() : ParentFolder(files.front());
}

TDropPlace DropPlaceAt(const TFiles& files, const std::string& folder, int hit, int remembered) {
  const TFile* file = files.Items(hit);
  if (!file || !file->IsFolder() || file->Selected) return {folder, remembered};
  if (file->IsParent()) return {ParentFolder(folder), hit};
  return {JoinPath(folder, file->FullName()), hit};
}

bool DropRefused(const std::string& target, const std::string& source, const std::vector<std::string>& files,
                 const ICollator& collator) {
  if (SameFolder(target, source, collator)) return true;
  for (const std::string& file : files)
    if (SameFolder(target, file, collator)) return true;
  return false;
}

bool OnSameDrive(std::string_view a, std::string_view b, const ICollator& collator) {
  const std::string driveA = DrivePart(a);
  return !driveA.empty() && collator.SameName(driveA, DrivePart(b));
}

unsigned DropEffectFor(unsigned keys, unsigned allowed, bool refused, bool inArchive, bool sameDrive) {
  if (refused || inArchive) return kEffectNone;
  const bool shift = (keys & kKeyShift) != 0;
  const bool control = (keys & kKeyControl) != 0;
  if (shift && control && (allowed & kEffectLink)) return kEffectLink;
  if (shift && (allowed & kEffectMove)) return kEffectMove;
  if (control && (allowed & kEffectCopy)) return kEffectCopy;
  if (sameDrive && (allowed & kEffectMove)) return kEffectMove;
  for (const unsigned effect : {kEffectCopy, kEffectMove, kEffectLink})
    if (allowed & effect) return effect;
  return kEffectNone;
}

int DropScrollAt(int y, int height) {
  if (y < kDropScrollTop) return -1;
  if (y >= height - kDropScrollBottom) return 1;
  return 0;
}

}  // namespace quill

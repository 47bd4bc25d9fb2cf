#include "platform/FileIdentity.h"

#include "base/Path.h"
#include "platform/Handle.h"
#include "platform/Utf16.h"

namespace quill {

TFileIdentity IdentityOf(HANDLE handle) {
  TFileIdentity identity;
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(handle, &info)) return identity;
  identity.volume = info.dwVolumeSerialNumber;
  identity.index = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  identity.valid = true;
  return identity;
}

TFileIdentity IdentityOf(const std::string& path, bool followLinks) {
  // No access asked for: the item's facts only, so files opened for writing elsewhere, and
  // folders (backup semantics), can be identified too.
  const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (followLinks ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
  TFileHandle handle(CreateFileW(VerbatimPath(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, flags, nullptr));
  if (!handle) return {};
  return IdentityOf(handle.Get());
}

bool IsSameOrInsideByIdentity(const TFileIdentity& folder, const std::string& path) {
  if (!folder.valid) return false;
  std::string current = StripBackslash(path);
  for (;;) {
    // Ancestors are followed through links: writing below a link writes into its target.
    const bool driveOnly = current.size() == 2 && current[1] == ':';
    if (folder.SameAs(IdentityOf(driveOnly ? current + "\\" : current, true))) return true;
    const std::string parent = StripBackslash(FileDirPart(current));
    if (parent.empty() || parent.size() >= current.size()) return false;
    current = parent;
  }
}

}  // namespace quill

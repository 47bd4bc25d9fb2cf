// Which file or folder a path reaches, as the system identifies it: the volume's serial number
// and the item's index on that volume. Two spellings of one item (another drive letter for the
// same volume, a SUBST drive, a share of a local folder, a short name, a different case) have
// equal identities; text comparison cannot know that.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace quill {

struct TFileIdentity {
  uint32_t volume = 0;
  uint64_t index = 0;
  bool valid = false;

  // Unknown identities are never equal, not even to themselves.
  bool SameAs(const TFileIdentity& other) const {
    return valid && other.valid && volume == other.volume && index == other.index;
  }
};

// The identity behind an open handle.
TFileIdentity IdentityOf(HANDLE handle);
// The identity of the item a path names. With followLinks false a link or junction is the item
// itself; with true, what it leads to. Invalid when the item cannot be opened.
TFileIdentity IdentityOf(const std::string& path, bool followLinks = false);

// True when `path` is `folder` itself or lies anywhere below it as the system resolves it: the
// identities of path and each of its existing ancestors are compared with the folder's.
bool IsSameOrInsideByIdentity(const TFileIdentity& folder, const std::string& path);

}  // namespace quill

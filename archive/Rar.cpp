#include "archive/Rar.h"

#include "base/Text.h"

namespace quill {
namespace {

constexpr uint32_t kRarFlagEncrypted = 0x04;
constexpr uint32_t kRarFlagFolder = 0xE0;

}  // namespace

TRar::TRar(TArchiveServices services, IRarLibrary* library) : TLibraryArchive(std::move(services), library) {}

void TRar::ShowResult(int code) {
  if (!services_.questions) return;
  int id;
  switch (code) {
    case 11: id = kTextArchiveNoMemory; break;
    // A library that knows about passwords says so itself; an older one reports damage, which
    // with a password given is most likely the password.
    case kRarBadData: id = Password.empty() ? kTextArchiveBadCrc : kTextArchiveBadPassword; break;
    case kRarMissingPassword:
    case kRarBadPassword: id = kTextArchiveBadPassword; break;
    case 13: id = kTextArchiveNotThisKind; break;
    case 14: id = kTextArchiveUnknownFormat; break;
    case kRarOpenFailed: id = kTextArchiveOpenFailed; break;
    case kRarCreateFailed: id = kTextArchiveCreateFailed; break;
    case 17: id = kTextArchiveCloseFailed; break;
    case 18: id = kTextArchiveReadFailed; break;
    case 19: id = kTextArchiveWriteFailed; break;
    case 20: id = kTextArchiveSmallBuffer; break;
    case kRarNoLibrary: id = kTextArchiveNoDll; break;
    default: id = kTextArchiveUnknownError; break;
  }
  std::string text = Text(id);
  if (id == kTextArchiveNotThisKind) text = Format(text.c_str(), "RAR");
  if (id == kTextArchiveNoDll) text = Format(text.c_str(), "UNRAR.DLL");
  services_.questions->Message(text, "UnRAR", mbOk, miStop);
}

bool TRar::IsFolder(const TLibraryHeader& header) const {
  // A library may give a Unix host's mode as the attributes; the flags say "folder" for every host.
  return (header.fileAttr & kArchiveFolderAttribute) || (header.flags & kRarFlagFolder) == kRarFlagFolder;
}

bool TRar::IsEncrypted(const TLibraryHeader& header) const { return (header.flags & kRarFlagEncrypted) != 0; }

TLibraryArchive::TSkipOutcome TRar::AfterListingSkip(int result) const {
  // A skipped entry the library could not place or found damaged does not end the listing.
  if (result == 0 || result == kRarCreateFailed || result == kRarBadData) return TSkipOutcome::GoOn;
  // The next volume is missing: the listing covers the volumes at hand, silently.
  if (result == kRarOpenFailed) return TSkipOutcome::Stop;
  return TSkipOutcome::StopAndShow;
}

}  // namespace quill

#include "archive/Ace.h"

#include "base/Path.h"
#include "base/Text.h"

namespace quill {
namespace {

constexpr uint32_t kAceFlagEncrypted = 0x40;

}  // namespace

TAce::TAce(TArchiveServices services, IArchiveLibrary* library) : TLibraryArchive(std::move(services), library) {}

void TAce::ShowResult(int code) {
  if (!services_.questions) return;
  int id;
  switch (code) {
    case 1: id = kTextArchiveNoMemory; break;
    case 3: id = kTextArchiveNoNextVolume; break;
    case 4: id = kTextArchiveNoDiskSpace; break;
    case 5: id = kTextArchiveOpenFailed; break;
    case kAceReadFailed: id = kTextArchiveReadFailed; break;
    case 7: id = kTextArchiveWriteFailed; break;
    case kAceBadCrc: id = Password.empty() ? kTextArchiveBadCrc : kTextArchiveBadPassword; break;
    case 11: id = kTextArchiveSameName; break;
    case 128: id = kTextArchiveNotThisKind; break;
    case 131: id = kTextArchiveBadPassword; break;
    case 132: id = kTextArchiveUnknownFormat; break;
    case kAceNoLibrary: id = kTextArchiveNoDll; break;
    default: id = kTextArchiveUnknownError; break;
  }
  std::string text = Text(id);
  if (id == kTextArchiveNotThisKind) text = Format(text.c_str(), "ACE");
  if (id == kTextArchiveNoDll) text = Format(text.c_str(), "UNACE.DLL");
  // The library does not say which volume it missed; the archive's own name is the best lead.
  if (id == kTextArchiveNoNextVolume) text = Format(text.c_str(), FileNamePart(FileName).c_str());
  services_.questions->Message(text, "UnACE", mbOk, miStop);
}

bool TAce::IsFolder(const TLibraryHeader& header) const { return (header.fileAttr & kArchiveFolderAttribute) != 0; }

bool TAce::IsEncrypted(const TLibraryHeader& header) const { return (header.flags & kAceFlagEncrypted) != 0; }

TLibraryArchive::TSkipOutcome TAce::AfterListingSkip(int result) const {
  return result == 0 ? TSkipOutcome::GoOn : TSkipOutcome::StopAndShow;
}

std::string TAce::LibraryDestination(const std::string& destination) const {
  // The library joins names to the destination as given; "" stays the current folder rather
  // than becoming the drive's root.
  if (destination.empty() || destination.back() == '\\') return destination;
  return destination + "\\";
}

}  // namespace quill

// TAce: ACE archives through UnACE.dll (listing and extraction) and the ace32.exe command-line
// archiver (adding), by the same walk as TRar; the library is reached through IArchiveLibrary,
// so everything but the loading and the stdcall callbacks is portable and tested with a fake.
#pragma once

#include <string>

#include "archive/LibraryArchive.h"

namespace quill {

// UnACE.dll's result codes that TAce tells apart (archivers/unace/UnaceInterface.h has them all).
constexpr int kAceEndArchive = 10;
constexpr int kAceReadFailed = 6;
constexpr int kAceBadCrc = 9;
// Not the library's: the library itself is missing.
constexpr int kAceNoLibrary = 300;

// UnACE.dll's header flags: 0x40 encrypted. A folder has the attribute 0x10.
class TAce : public TLibraryArchive {
public:
  TAce(TArchiveServices services, IArchiveLibrary* library);

protected:
  void ShowResult(int code) override;
  int NoLibraryCode() const override { return kAceNoLibrary; }
  bool IsFolder(const TLibraryHeader& header) const override;
  bool IsEncrypted(const TLibraryHeader& header) const override;
  TSkipOutcome AfterListingSkip(int result) const override;
  bool ReportedAtEnd(int code) const override { return code == kAceReadFailed || code == kAceBadCrc; }
  std::string LibraryDestination(const std::string& destination) const override;
  std::string DefaultProgram() const override { return "ace32.exe"; }
  std::string ModeSuffix() const override { return " -y"; }
};

}  // namespace quill

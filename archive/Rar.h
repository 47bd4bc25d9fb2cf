// TRar: RAR archives through UnRAR.dll (listing and extraction, the library loaded for each
// call and freed afterwards) and the rar.exe command-line archiver (adding). The library is
// reached through IArchiveLibrary, so everything but the loading and the stdcall callbacks is
// portable and tested with a fake.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "archive/LibraryArchive.h"

namespace quill {

// UnRAR.dll's result codes that TRar tells apart.
constexpr int kRarEndArchive = 10;
constexpr int kRarBadData = 12;
constexpr int kRarOpenFailed = 15;
constexpr int kRarCreateFailed = 16;
constexpr int kRarMissingPassword = 22;
constexpr int kRarBadPassword = 24;
// Not the library's: the library itself is missing.
constexpr int kRarNoLibrary = 50;

// RARProcessFile's operations.
constexpr int kRarSkip = kLibrarySkip;
constexpr int kRarTest = kLibraryTest;
constexpr int kRarExtract = kLibraryExtract;

// UnRAR.dll's header flags: 0x04 encrypted; (flags & 0xE0) == 0xE0 a folder.
using TRarHeader = TLibraryHeader;
using IRarLibrary = IArchiveLibrary;

class TRar : public TLibraryArchive {
public:
  TRar(TArchiveServices services, IRarLibrary* library);

protected:
  void ShowResult(int code) override;
  int NoLibraryCode() const override { return kRarNoLibrary; }
  bool IsFolder(const TLibraryHeader& header) const override;
  bool IsEncrypted(const TLibraryHeader& header) const override;
  TSkipOutcome AfterListingSkip(int result) const override;
  bool ReportedAtEnd(int code) const override { return code == kRarBadData; }
  std::string DefaultProgram() const override { return "rar.exe"; }
};

}  // namespace quill

// The calling interface of ZIPDLL.DLL (ZipDllExec) and UNZDLL.DLL (UnzDllExec): both libraries of
// this repository and Quill's TZip are built against these records, and any other library laid out
// the same way works with Quill unchanged. Fixed 32-bit layout (i686): every pointer is 4 bytes.
//
// Texts passed through the records (archive path, file specifications, the password, names and
// messages in the callback) are in the system's ANSI code page, as a library of this interface has
// always expected.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zipapi {

// What a callback reports (ZipCallbackRecord::action).
enum Action : int32_t {
  kFileStarts = 1,     // size at `number`, name at `text`
  kBytesDone = 2,      // bytes just processed at `number`
  kBatchDone = 3,
  kMessage = 4,        // code at `code` (0 = information only), text at `text`
  kTotalFiles = 5,     // at `number`
  kTotalBytes = 6,     // at `number`
  kListItem = 7,       // the program answers 0 at `code`
  kPassword = 8,       // try number at `number`, flags at `code` (bit 0: a password for new entries);
                       // answer: 1 at `code` and the password in `text`, or 0 at `code` for none
  kCrcError = 9,       // found CRC at `number`, stored CRC at `code`; answer at `code` (2 = go on)
  kOverwrite = 10,     // name at `text`; answer at `number`: non-zero overwrites, 0 skips
};

constexpr int32_t kInterfaceVersion = 160;
constexpr int kPasswordMax = 80;      // characters of a password, without the NUL
constexpr int kCallbackTextSize = 1024;

struct ZipCallbackRecord {
  void* window;            // 0: the window handle of the command record
  void* caller;            // 4: the caller of the command record, handed back
  int32_t reserved8;       // 8
  int32_t reserved12;      // 12
  int32_t action;          // 16
  int32_t code;            // 20: message code, password flags, stored CRC; answer on return
  int32_t number;          // 24: size, count, total, try number, found CRC; overwrite answer
  char text[kCallbackTextSize];  // 28: name or message; the password on return
};

// Returns 0 to go on, non-zero to abort the whole operation.
using ZipCallback = int32_t(__stdcall*)(ZipCallbackRecord* record);

// One file specification: an ANSI text (a name, a wildcard pattern, "folder\*.*"); the rest of
// the entry is zero and reserved.
struct ZipSpec {
  const char* text;
  char reserved[100];
};
struct UnzipSpec {
  const char* text;
  char reserved[68];
};

// The add command (ZipDllExec). Words not named here are zero.
struct ZipCommand {
  void* window;              // 0: the application window
  void* caller;              // 4: handed back in every callback
  int32_t version;           // 8: kInterfaceVersion
  ZipCallback callback;      // 12
  int32_t reserved16;        // 16
  const char* password;      // 20
  int32_t reserved24;        // 24
  int32_t encrypt;           // 28: 1 = encrypt new entries with the password
  int32_t keepFolderNames;   // 32: 1 = store paths relative to the current folder
  int32_t reserved36[2];     // 36
  int32_t addFolderEntries;  // 44: 1 = folders get entries of their own
  int32_t reserved48[2];     // 48
  int32_t includeHidden;     // 56: 1 = hidden and system files are added too
  int32_t level;             // 60: deflate level 1..9, 0 = store
  int32_t reserved64[3];     // 64
  uint16_t recurse;          // 76: 1 = recurse into folders
  uint16_t reserved78;       // 78
  int32_t quiet;             // 80: 1 = messages only through the callback, no boxes
  int32_t reserved84;        // 84
  int32_t move;              // 88: 1 = delete the originals once the archive is written
  int32_t reserved92;        // 92
  int32_t update;            // 96: 1 = add new files and replace older entries only
  int32_t freshen;           // 100: 1 = replace older entries only, add nothing new
  int32_t reserved104[4];    // 104
  int32_t specCount;         // 120
  const char* archive;       // 124: the archive's path
  int32_t reserved128[3];    // 128
  ZipSpec* specs;            // 140: specCount entries
  int32_t reserved144[17];   // 144
  int32_t structureKey;      // 212: kStructureKey
};

// The extract command (UnzDllExec). Words not named here are zero.
struct UnzipCommand {
  void* window;              // 0
  void* caller;              // 4
  int32_t version;           // 8: kInterfaceVersion
  ZipCallback callback;      // 12
  int32_t reserved16[2];     // 16
  const char* password;      // 24: at most kPasswordMax characters
  int32_t test;              // 28: 1 = test the entries, write nothing
  int32_t reserved32[2];     // 32
  int32_t quiet;             // 40: 1 = messages only through the callback, no boxes
  int32_t reserved44;        // 44
  int32_t update;            // 48: 1 = extract new files and newer entries only
  int32_t freshen;           // 52: 1 = replace older existing files only
  int32_t folderNames;       // 56: 1 = recreate the entries' folders under the current folder
  int32_t overwriteAll;      // 60: 1 = overwrite without asking
  int32_t specCount;         // 64: 0 = every entry
  const char* archive;       // 68
  UnzipSpec* specs;          // 72: specCount entries
  int32_t reserved76[7];     // 76
  int32_t passwordTries;     // 104: tries + 1; a password request with try number 1 is the last
  int32_t reserved108[9];    // 108
  int32_t structureKey;      // 144: kStructureKey
};

constexpr int32_t kStructureKey = 7;

// Both libraries export these, stdcall, undecorated names in the export table:
//   int32_t __stdcall ZipDllExec(ZipCommand*);   files added
//   int32_t __stdcall UnzDllExec(UnzipCommand*); files extracted (or tested)
using ZipDllExecFn = int32_t(__stdcall*)(ZipCommand*);
using UnzDllExecFn = int32_t(__stdcall*)(UnzipCommand*);

#if defined(__i386__) || defined(_M_IX86)
static_assert(sizeof(ZipSpec) == 104 && sizeof(UnzipSpec) == 72);
static_assert(sizeof(ZipCommand) == 216 && offsetof(ZipCommand, recurse) == 76 &&
              offsetof(ZipCommand, specCount) == 120 && offsetof(ZipCommand, specs) == 140);
static_assert(sizeof(UnzipCommand) == 148 && offsetof(UnzipCommand, specs) == 72 &&
              offsetof(UnzipCommand, passwordTries) == 104);
static_assert(offsetof(ZipCallbackRecord, action) == 16 && offsetof(ZipCallbackRecord, text) == 28);
#endif

}  // namespace zipapi

// UnACE.dll's calling interface: the records, callbacks and result codes that Quill's TAce and
// our UnACE.dll share. Modelled on UnRAR.dll's: one archive opened at a time per handle, its
// headers read one after the other, each entry then skipped, tested or extracted. Every function
// is stdcall and exported by its undecorated name; the records are packed, fields 4 bytes wide.
//
//   void* ACEOpenArchive(ACEOpenArchiveData* data)       null on failure, the reason in OpenResult
//   int   ACEReadHeader(void* handle, ACEHeaderData* h)  0, kAceEndArchive after the last entry,
//                                                        or an error code
//   int   ACEProcessFile(void* handle, int operation, char* destPath)
//   int   ACEProcessFileW(void* handle, int operation, wchar_t* destPath)   (preferred when present)
//         operation 0 skip, 1 test (unpack and check, write nothing), 2 extract under destPath
//         (a folder, with or without a trailing "\"; null or "" = the current folder), the
//         entry's stored path recreated below it. Existing files are replaced: the caller asks
//         the user first. A name that would leave destPath is refused with kAceWriteFailed
//         and nothing written; a failed entry leaves no partial file behind.
//   int   ACESetPassword(void* handle, char* password)   for the encrypted entries that follow
//   int   ACECloseArchive(void* handle)
//
// Callbacks come with the open record, not through separate calls. The volume callback is
// called with mode kAceVolAsk when the next volume is missing (the callee may write another
// name, up to 260 bytes, into arcName) and with kAceVolNotify before a volume is opened; it
// returns 0 to stop. The data callback is called after each block written or tested, with the
// block; it returns 0 to stop the entry, which then ends with kAceUserBreak.
#pragma once

#include <cstddef>
#include <cstdint>

#if !defined(_WIN32) && !defined(__stdcall)
#define __stdcall  // the library's calling convention only exists on 32-bit Windows
#endif

namespace unaceapi {

using ChangeVolProc = int(__stdcall*)(char* arcName, int mode);
using ProcessDataProc = int(__stdcall*)(unsigned char* addr, int size);

#pragma pack(push, 1)
struct ACEOpenArchiveData {
  char* ArcName;                    // in: the archive, ANSI (used when ArcNameW is null)
  wchar_t* ArcNameW;                // in: the archive, UTF-16, or null
  unsigned OpenMode;                // in: kAceOpenList or kAceOpenExtract
  unsigned OpenResult;              // out: 0 or an error code
  unsigned Flags;                   // out: the main header's flags (0x0800 multi-volume, 0x8000 solid, ...)
  unsigned VolumeNumber;            // out: the opened volume's number, 0 for the first
  ChangeVolProc ChangeVolumeProc;   // in: the volume callback, or null (a missing volume then ends the entry)
  unaceapi::ProcessDataProc ProcessDataProc;  // in: the data callback, or null (the type named in full: the
                                              // field shares its name)
  unsigned Reserved[16];            // zero
};

// Names use "\" separators. FileName is in the ANSI code page, FileNameW the same name in UTF-16
// (the archive's bytes read in the code page its host system used).
struct ACEHeaderData {
  char ArcName[260];       // the volume the header was read from
  char FileName[260];
  wchar_t FileNameW[1024];
  unsigned Flags;          // the header flags' high byte: 0x10 continued from the previous volume,
                           // 0x20 continued in the next, 0x40 encrypted, 0x80 solid
  unsigned HeaderFlags;    // the file header's flags as stored
  unsigned PackSize;       // packed bytes in this volume, low and high words
  unsigned PackSizeHigh;
  unsigned UnpSize;        // the whole entry's size, low and high words
  unsigned UnpSizeHigh;
  unsigned HostOS;
  unsigned FileCRC;        // ACE CRC-32 of the unpacked data, as stored
  unsigned FileTime;       // DOS date in the high word, time in the low one
  unsigned Method;         // 0 store, 1 LZ77 (ACE 1.0), 2 blocked (ACE 2.0)
  unsigned Quality;        // 0 store, 1 fastest ... 5 best
  unsigned DictSize;       // bytes
  unsigned FileAttr;       // Windows attributes, 0x10 a folder
  unsigned Reserved[32];   // zero
};
#pragma pack(pop)

#if defined(__i386__) || defined(_M_IX86)
static_assert(sizeof(ACEOpenArchiveData) == 96 && offsetof(ACEOpenArchiveData, ChangeVolumeProc) == 24);
static_assert(offsetof(ACEHeaderData, FileNameW) == 520 && offsetof(ACEHeaderData, Flags) == 2568);
static_assert(offsetof(ACEHeaderData, FileAttr) == 2616 && sizeof(ACEHeaderData) == 2748);
#endif

enum : unsigned { kAceOpenList = 0, kAceOpenExtract = 1 };
enum : int { kAceSkip = 0, kAceTest = 1, kAceExtract = 2 };
enum : int { kAceVolAsk = 0, kAceVolNotify = 1 };

// Result codes. Quill shows each with its own message.
enum : int {
  kAceOk = 0,
  kAceNoMemory = 1,
  kAceMissingVolume = 3,     // the next volume is missing and the volume callback did not give one
  kAceDiskFull = 4,
  kAceOpenFailed = 5,
  kAceReadFailed = 6,        // also a truncated archive
  kAceWriteFailed = 7,       // also a name that would leave the destination
  kAceBadCrc = 9,            // a header's or an entry's check failed
  kAceEndArchive = 10,
  kAceExists = 11,
  kAceNotAce = 128,          // from the opening: no ACE main header
  kAceBadPassword = 131,
  kAceUnknownFormat = 132,   // a packing method this library does not unpack
  kAceUserBreak = 255,       // the data or volume callback said stop
};

using OpenArchiveFn = void*(__stdcall*)(ACEOpenArchiveData*);
using CloseArchiveFn = int(__stdcall*)(void*);
using ReadHeaderFn = int(__stdcall*)(void*, ACEHeaderData*);
using ProcessFileFn = int(__stdcall*)(void*, int operation, char* destPath);
using ProcessFileWFn = int(__stdcall*)(void*, int operation, wchar_t* destPath);
using SetPasswordFn = int(__stdcall*)(void*, char* password);

}  // namespace unaceapi

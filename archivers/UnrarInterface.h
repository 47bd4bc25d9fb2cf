// The UnRAR.dll calling interface as published for 32-bit Windows: the records, callbacks and
// constants that Quill's TRar and our UnRAR.dll both use, so that either side works with the
// other's published counterpart. Every function is stdcall and exported by its undecorated name.
#pragma once

#include <cstddef>
#include <cstdint>

#if !defined(_WIN32) && !defined(__stdcall)
#define __stdcall  // the library's calling convention only exists on 32-bit Windows
#endif

namespace unrarapi {

using Callback = int(__stdcall*)(unsigned msg, intptr_t userData, intptr_t p1, intptr_t p2);
using ChangeVolProc = int(__stdcall*)(char* arcName, int mode);
using ProcessDataProc = int(__stdcall*)(unsigned char* addr, int size);

#pragma pack(push, 1)
struct RAROpenArchiveData {
  char* ArcName;
  unsigned OpenMode;
  unsigned OpenResult;
  char* CmtBuf;
  unsigned CmtBufSize;
  unsigned CmtSize;
  unsigned CmtState;
};

struct RAROpenArchiveDataEx {
  char* ArcName;
  wchar_t* ArcNameW;
  unsigned OpenMode;
  unsigned OpenResult;
  char* CmtBuf;
  unsigned CmtBufSize;
  unsigned CmtSize;
  unsigned CmtState;
  unsigned Flags;
  Callback Callback;
  intptr_t UserData;
  unsigned Reserved[28];
};

// FileName is in the OEM code page.
struct RARHeaderData {
  char ArcName[260];
  char FileName[260];
  unsigned Flags;
  unsigned PackSize;
  unsigned UnpSize;
  unsigned HostOS;
  unsigned FileCRC;
  unsigned FileTime;
  unsigned UnpVer;
  unsigned Method;
  unsigned FileAttr;
  char* CmtBuf;
  unsigned CmtBufSize;
  unsigned CmtSize;
  unsigned CmtState;
};

struct RARHeaderDataEx {
  char ArcName[1024];
  wchar_t ArcNameW[1024];
  char FileName[1024];
  wchar_t FileNameW[1024];
  unsigned Flags;
  unsigned PackSize;
  unsigned PackSizeHigh;
  unsigned UnpSize;
  unsigned UnpSizeHigh;
  unsigned HostOS;
  unsigned FileCRC;
  unsigned FileTime;
  unsigned UnpVer;
  unsigned Method;
  unsigned FileAttr;
  char* CmtBuf;
  unsigned CmtBufSize;
  unsigned CmtSize;
  unsigned CmtState;
  unsigned DictSize;
  unsigned HashType;
  char Hash[32];
  unsigned RedirType;
  wchar_t* RedirName;
  unsigned RedirNameSize;
  unsigned DirTarget;
  unsigned Reserved[994];
};
#pragma pack(pop)

#if defined(__i386__) || defined(_M_IX86)
static_assert(sizeof(RAROpenArchiveData) == 28 && offsetof(RAROpenArchiveData, CmtState) == 24);
static_assert(sizeof(RAROpenArchiveDataEx) == 156);
static_assert(offsetof(RAROpenArchiveDataEx, Flags) == 32 && offsetof(RAROpenArchiveDataEx, Callback) == 36 &&
              offsetof(RAROpenArchiveDataEx, UserData) == 40);
static_assert(sizeof(RARHeaderData) == 572);
static_assert(offsetof(RARHeaderData, Flags) == 520 && offsetof(RARHeaderData, FileAttr) == 552 &&
              offsetof(RARHeaderData, CmtState) == 568);
static_assert(offsetof(RARHeaderDataEx, ArcNameW) == 1024 && offsetof(RARHeaderDataEx, FileName) == 3072 &&
              offsetof(RARHeaderDataEx, FileNameW) == 4096 && offsetof(RARHeaderDataEx, Flags) == 6144);
static_assert(offsetof(RARHeaderDataEx, FileAttr) == 6184 && offsetof(RARHeaderDataEx, CmtBuf) == 6188 &&
              offsetof(RARHeaderDataEx, DictSize) == 6204 && offsetof(RARHeaderDataEx, Hash) == 6212 &&
              offsetof(RARHeaderDataEx, RedirType) == 6244 && offsetof(RARHeaderDataEx, DirTarget) == 6256);
static_assert(sizeof(RARHeaderDataEx) == 10236);
#endif

// Open modes, operations, volume modes, callback messages.
enum : unsigned { RAR_OM_LIST = 0, RAR_OM_EXTRACT = 1, RAR_OM_LIST_INCSPLIT = 2 };
enum : int { RAR_SKIP = 0, RAR_TEST = 1, RAR_EXTRACT = 2 };
enum : int { RAR_VOL_ASK = 0, RAR_VOL_NOTIFY = 1 };
enum : unsigned { UCM_CHANGEVOLUME = 0, UCM_PROCESSDATA = 1, UCM_NEEDPASSWORD = 2, UCM_CHANGEVOLUMEW = 3,
                  UCM_NEEDPASSWORDW = 4 };

using OpenArchiveFn = void*(__stdcall*)(RAROpenArchiveData*);
using OpenArchiveExFn = void*(__stdcall*)(RAROpenArchiveDataEx*);
using CloseArchiveFn = int(__stdcall*)(void*);
using ReadHeaderFn = int(__stdcall*)(void*, RARHeaderData*);
using ReadHeaderExFn = int(__stdcall*)(void*, RARHeaderDataEx*);
using ProcessFileFn = int(__stdcall*)(void*, int operation, char* destPath, char* destName);
using ProcessFileWFn = int(__stdcall*)(void*, int operation, wchar_t* destPath, wchar_t* destName);
using SetChangeVolProcFn = void(__stdcall*)(void*, ChangeVolProc);
using SetProcessDataProcFn = void(__stdcall*)(void*, ProcessDataProc);
using SetPasswordFn = void(__stdcall*)(void*, char* password);

}  // namespace unrarapi

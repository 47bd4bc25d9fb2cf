#include "fileview/ShellUtils.h"

#include <gtest/gtest.h>
#include <shlwapi.h>
#include <winioctl.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/FileSystem.h"
#include "base/Path.h"
#include "platform/Utf16.h"
#include "tests/win32/TestSupport.h"

namespace quill {
namespace {

using test::Exists;
using test::TScratchFolder;
using test::WriteBytes;

constexpr uint64_t kGiB = 1024ull * 1024 * 1024;

std::wstring LongW(const std::string& path) { return LongPath(path); }

void MakeFolderLong(const std::string& path) {
  ASSERT_TRUE(CreateDirectoryW(LongW(path).c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS) << path;
}

void WriteFileLong(const std::string& path, size_t size) {
  HANDLE h = CreateFileW(LongW(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
  std::string bytes(size, 'q');
  DWORD done = 0;
  WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
  CloseHandle(h);
}

// Removes a tree of any depth without ever entering a junction or link.
void RemoveTreeLong(const std::string& path) {
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW(LongW(path + "\\*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = Narrow(data.cFileName);
      if (name == "." || name == "..") continue;
      const std::string child = path + "\\" + name;
      SetFileAttributesW(LongW(child).c_str(), FILE_ATTRIBUTE_NORMAL);
      if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        RemoveTreeLong(child);
      else if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveDirectoryW(LongW(child).c_str());
      else
        DeleteFileW(LongW(child).c_str());
    } while (FindNextFileW(find, &data));
    FindClose(find);
  }
  RemoveDirectoryW(LongW(path).c_str());
}

std::string CurrentDirectory() {
  wchar_t buffer[MAX_PATH + 1];
  DWORD n = GetCurrentDirectoryW(MAX_PATH + 1, buffer);
  return Narrow(std::wstring_view(buffer, n));
}

std::string LongName(const std::string& path) {
  wchar_t buffer[32768];
  DWORD n = GetLongPathNameW(Widen(path).c_str(), buffer, 32768);
  return n ? Narrow(std::wstring_view(buffer, n)) : path;
}

// ---------------------------------------------------------------------------------------------
// Drives and volumes

TEST(ShellUtilsVolumeTest, SystemDrive) {
  EXPECT_EQ(DriveType("C:"), kDriveFixed);
  EXPECT_EQ(DriveType("c:\\windows"), kDriveFixed);
  EXPECT_TRUE(DriveReady("C"));
  EXPECT_NE(DriveLetters().find('C'), std::string::npos);
  EXPECT_EQ(SystemKind(), 2);

  const uint64_t free = DiskFree("C:"), size = DiskSize("C:\\");
  EXPECT_GT(free, 0u);
  EXPECT_GT(size, 0u);
  EXPECT_LE(free, size);

  DWORD serial = 0;
  ASSERT_TRUE(GetVolumeInformationW(L"C:\\", nullptr, 0, &serial, nullptr, nullptr, nullptr, 0));
  const std::string text = VolumeSerial("C:");
  ASSERT_EQ(text.size(), 8u);
  EXPECT_EQ(std::stoul(text, nullptr, 16), serial);
  EXPECT_EQ(TreeCacheFile("C:", "", false), ModuleFolder() + text + ".xcd");
  EXPECT_EQ(TreeCacheFile("C:\\x", "", true), "C:\\treeinfo.xcd");
}

TEST(ShellUtilsVolumeTest, DriveLettersMatchTheMask) {
  const std::string letters = DriveLetters();
  const DWORD mask = GetLogicalDrives();
  EXPECT_EQ(letters.size(), static_cast<size_t>(__builtin_popcount(mask)));
  for (size_t i = 1; i < letters.size(); ++i) EXPECT_LT(letters[i - 1], letters[i]);
  for (char c : letters) EXPECT_TRUE(mask & (1u << (c - 'A'))) << c;
}

TEST(ShellUtilsVolumeTest, MissingDriveAndErrorModeRestored) {
  const std::string letters = DriveLetters();
  char missing = 0;
  for (char c = 'Z'; c > 'C'; --c)
    if (letters.find(c) == std::string::npos) missing = c;
  ASSERT_NE(missing, 0);
  const std::string drive = std::string(1, missing) + ":";
  const UINT before = GetErrorMode();
  EXPECT_FALSE(DriveReady(drive));
  EXPECT_EQ(VolumeSerial(drive), "");
  EXPECT_EQ(DriveLabel(drive), "");
  EXPECT_EQ(DiskFree(drive), 0u);
  EXPECT_EQ(DiskSize(drive), 0u);
  EXPECT_EQ(GetErrorMode(), before);
}

TEST(ShellUtilsVolumeTest, TestCdRom) {
  const std::string drive = test::Env("QUILL_TEST_CDROM");
  if (drive.empty()) GTEST_SKIP() << "no test CD-ROM drive";
  EXPECT_EQ(DriveType(drive), kDriveCdRom);
  EXPECT_TRUE(DriveReady(drive));
  EXPECT_EQ(VolumeSerial(drive), "CD0D1234");
  EXPECT_EQ(DriveLabel(drive), "QUILLCD");
  EXPECT_NE(DriveLetters().find(static_cast<char>(toupper(drive[0]))), std::string::npos);
}

TEST(ShellUtilsVolumeTest, TestRemovableDrive) {
  const std::string drive = test::Env("QUILL_TEST_REMOVABLE");
  if (drive.empty()) GTEST_SKIP() << "no test removable drive";
  EXPECT_EQ(DriveType(drive), kDriveRemovable);
  EXPECT_EQ(DriveLabel(drive), "Floppy");
}

// ---------------------------------------------------------------------------------------------
// Paths, sizes, walks

TEST(ShellUtilsFileTest, FoldersAndTemp) {
  TScratchFolder scratch;
  const std::string temp = TempFolder();
  ASSERT_FALSE(temp.empty());
  EXPECT_EQ(temp.back(), '\\');
  EXPECT_TRUE(IsFolder(temp));
  EXPECT_TRUE(IsFolder(scratch.Path()));
  WriteBytes(scratch / "f.txt", "x");
  EXPECT_FALSE(IsFolder(scratch / "f.txt"));
  EXPECT_FALSE(IsFolder(scratch / "missing"));
  EXPECT_EQ(FileSize64(scratch / "f.txt"), 1u);
  EXPECT_EQ(FileSize64(scratch / "missing"), 0u);
}

class ShellUtilsWalkTest : public ::testing::Test {
protected:
  void SetUp() override {
    root_ = scratch_ / "tree";
    MakeFolderLong(root_);
    WriteFileLong(root_ + "\\a.txt", 10);
    MakeFolderLong(root_ + "\\sub");
    WriteFileLong(root_ + "\\sub\\b.txt", 20);
    MakeFolderLong(root_ + "\\empty");
    MakeSparse(root_ + "\\sub\\big.bin", 5 * kGiB + 3);

    // A chain of folders well past 260 characters with one file at the bottom.
    deep_ = root_ + "\\deep";
    MakeFolderLong(deep_);
    for (int i = 0; i < 12; ++i) {
      deep_ += "\\level-" + std::to_string(i) + "-abcdefghijklmnopqrstuvwxyz";
      MakeFolderLong(deep_);
    }
    ASSERT_GT(deep_.size(), 300u);
    WriteFileLong(deep_ + "\\bottom.txt", 7);
  }
  void TearDown() override { RemoveTreeLong(root_); }

  void MakeSparse(const std::string& path, uint64_t size) {
    HANDLE h = CreateFileW(LongW(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD returned = 0;
    DeviceIoControl(h, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned, nullptr);
    LARGE_INTEGER end;
    end.QuadPart = static_cast<LONGLONG>(size);
    EXPECT_TRUE(SetFilePointerEx(h, end, nullptr, FILE_BEGIN));
    EXPECT_TRUE(SetEndOfFile(h));
    CloseHandle(h);
  }

  static constexpr int64_t kFiles = 4;
  static constexpr uint64_t kBytes = 10 + 20 + 5 * kGiB + 3 + 7;
  TScratchFolder scratch_;
  std::string root_;
  std::string deep_;
};

TEST_F(ShellUtilsWalkTest, CountsAndSumsWholeTreeWith64BitSizes) {
  EXPECT_EQ(FileSize64(root_ + "\\sub\\big.bin"), 5 * kGiB + 3);
  const std::string before = CurrentDirectory();
  EXPECT_EQ(CountFiles(root_), kFiles);
  EXPECT_EQ(FolderSize(root_), kBytes);
  EXPECT_EQ(CountFiles(root_ + "\\"), kFiles);
  EXPECT_EQ(CurrentDirectory(), before);

  EXPECT_EQ(CountFiles(root_ + "\\empty"), 0);
  EXPECT_EQ(FolderSize(root_ + "\\empty"), 0u);
  EXPECT_EQ(CountFiles(deep_), 1);
  EXPECT_EQ(FolderSize(deep_), 7u);
  EXPECT_TRUE(IsFolder(deep_));
}

TEST_F(ShellUtilsWalkTest, RelativeFolderAndFailures) {
  const std::string before = CurrentDirectory();
  ASSERT_TRUE(SetCurrentDirectoryW(Widen(root_).c_str()));
  EXPECT_EQ(CountFiles("sub"), 2);
  EXPECT_EQ(FolderSize("."), kBytes);
  EXPECT_EQ(CurrentDirectory(), LongName(root_));
  SetCurrentDirectoryW(Widen(before).c_str());

  EXPECT_EQ(CountFiles(root_ + "\\missing"), -1);
  EXPECT_EQ(FolderSize(root_ + "\\missing"), kNoFolderSize);
  EXPECT_EQ(CountFiles(root_ + "\\a.txt"), -1);
  EXPECT_EQ(CountFiles(""), -1);
}

// A junction (mount-point reparse point) from `link` to `target`; needs no privilege on Windows.
bool MakeJunction(const std::string& link, const std::string& target) {
  if (!CreateDirectoryW(Widen(link).c_str(), nullptr)) return false;
  HANDLE h = CreateFileW(Widen(link).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  const std::wstring substitute = L"\\??\\" + Widen(target);
  const std::wstring print = Widen(target);
  const USHORT substituteBytes = static_cast<USHORT>(substitute.size() * sizeof(wchar_t));
  const USHORT printBytes = static_cast<USHORT>(print.size() * sizeof(wchar_t));
  // Reparse header (8 bytes), four USHORT offsets/lengths, then both names with terminators.
  std::vector<BYTE> buffer(8 + 8 + substituteBytes + printBytes + 2 * sizeof(wchar_t));
  auto* header = reinterpret_cast<DWORD*>(buffer.data());
  header[0] = IO_REPARSE_TAG_MOUNT_POINT;
  header[1] = static_cast<DWORD>(buffer.size() - 8);
  auto* fields = reinterpret_cast<USHORT*>(buffer.data() + 8);
  fields[0] = 0;
  fields[1] = substituteBytes;
  fields[2] = static_cast<USHORT>(substituteBytes + sizeof(wchar_t));
  fields[3] = printBytes;
  BYTE* names = buffer.data() + 16;
  std::memcpy(names, substitute.data(), substituteBytes);
  std::memcpy(names + substituteBytes + sizeof(wchar_t), print.data(), printBytes);
  DWORD returned = 0;
  const bool made = DeviceIoControl(h, FSCTL_SET_REPARSE_POINT, buffer.data(), static_cast<DWORD>(buffer.size()),
                                    nullptr, 0, &returned, nullptr);
  CloseHandle(h);
  return made;
}

TEST_F(ShellUtilsWalkTest, DoesNotFollowAJunctionBackUpTheTree) {
  const std::string link = root_ + "\\sub\\loop";
  const bool made = MakeJunction(link, root_);
  const DWORD attributes = GetFileAttributesW(Widen(link).c_str());
  if (!made || attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    RemoveDirectoryW(Widen(link).c_str());
    GTEST_SKIP() << "junctions are not available here";
  }
  // The junction really leads back: the root's file is visible through it.
  EXPECT_TRUE(Exists(link + "\\a.txt"));
  EXPECT_EQ(CountFiles(root_), kFiles);
  EXPECT_EQ(FolderSize(root_), kBytes);
  RemoveDirectoryW(Widen(link).c_str());
}

// ---------------------------------------------------------------------------------------------
// Times

TEST(ShellUtilsTimeTest, SetFileTimesRoundTripsThroughLocalTime) {
  TScratchFolder scratch;
  const std::string file = scratch / "stamp.txt";
  WriteBytes(file, "stamp");
  const TCalendarTime cases[] = {{2021, 7, 14, 13, 45, 30}, {1999, 1, 2, 3, 4, 6}};
  for (const TCalendarTime& local : cases) {
    const auto fileTime = CalendarToFileTime(local);
    ASSERT_TRUE(fileTime);
    ASSERT_TRUE(SetFileTimes(file, *fileTime));

    HANDLE h = CreateFileW(Widen(file).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    FILETIME created, accessed, written;
    ASSERT_TRUE(GetFileTime(h, &created, &accessed, &written));
    const auto read = FileLocalTime(h);
    CloseHandle(h);
    ASSERT_TRUE(read);
    EXPECT_EQ(*read, local);
    for (const FILETIME& t : {created, accessed, written})
      EXPECT_EQ((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime, *fileTime);
    EXPECT_EQ(FileTimeText(*fileTime, kTimeTextDateTime), FileTimeText(local, kTimeTextDateTime));
  }
  EXPECT_FALSE(SetFileTimes(scratch / "missing.txt", 0));
  EXPECT_EQ(FileTimeText(*CalendarToFileTime({2024, 3, 9, 7, 5, 0}), kTimeTextDate), "2024-03-09");
}

// ---------------------------------------------------------------------------------------------
// Shortcuts

class ShellUtilsShortcutTest : public ::testing::Test {
protected:
  TScratchFolder scratch_;
};

TEST_F(ShellUtilsShortcutTest, CreatedShortcutResolvesToTheLongPath) {
  const std::string target = scratch_ / "a rather long target name.document";
  WriteBytes(target, "target");
  ASSERT_TRUE(CreateShortcut(target, scratch_.Path()));
  const std::string link = scratch_ / "a rather long target name.document.lnk";
  ASSERT_TRUE(Exists(link));
  EXPECT_EQ(ShortcutTarget(link), LongName(target));

  // A link made from the 8.3 form still gives the long path back.
  wchar_t shortName[MAX_PATH];
  const DWORD n = GetShortPathNameW(Widen(target).c_str(), shortName, MAX_PATH);
  if (n > 0 && n < MAX_PATH && Narrow(shortName) != target) {
    const std::string other = scratch_ / "other";
    test::MakeFolder(other);
    ASSERT_TRUE(CreateShortcut(Narrow(shortName), other));
    const std::string shortLink = JoinPath(other, FileNamePart(Narrow(shortName))) + ".lnk";
    ASSERT_TRUE(Exists(shortLink));
    EXPECT_EQ(ShortcutTarget(shortLink), LongName(target));
  }

  // A folder target, as opening a shortcut to a folder needs.
  const std::string folder = scratch_ / "target folder";
  test::MakeFolder(folder);
  ASSERT_TRUE(CreateShortcut(folder + "\\", scratch_.Path()));
  EXPECT_EQ(ShortcutTarget(scratch_ / "target folder.lnk"), LongName(folder));

  // COM is left as it was found: a multithreaded start on this thread must still be possible.
  const HRESULT hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  EXPECT_EQ(hr, S_OK);
  if (SUCCEEDED(hr)) CoUninitialize();
}

TEST_F(ShellUtilsShortcutTest, BrokenShortcutsGiveNothing) {
  WriteBytes(scratch_ / "damaged.lnk", std::string("L\0\0\0garbage that is not a shell link", 40));
  EXPECT_EQ(ShortcutTarget(scratch_ / "damaged.lnk"), "");
  EXPECT_EQ(ShortcutTarget(scratch_ / "missing.lnk"), "");

  const std::string target = scratch_ / "gone.txt";
  WriteBytes(target, "soon gone");
  ASSERT_TRUE(CreateShortcut(target, scratch_.Path()));
  ASSERT_TRUE(DeleteFileW(Widen(target).c_str()));
  EXPECT_EQ(ShortcutTarget(scratch_ / "gone.txt.lnk"), "");
}

// ---------------------------------------------------------------------------------------------
// Shell execution and clipboard

std::string ChildProgram() { return ModuleFolder() + "WaitChild.exe"; }

TEST(ShellUtilsOpenTest, WaitReturnsOnlyAfterTheChildEnded) {
  if (!Exists(ChildProgram())) GTEST_SKIP() << "WaitChild.exe is not beside the tests";
  TScratchFolder scratch;
  const std::string marker = scratch / "marker.txt";
  ASSERT_TRUE(ShellOpen(ChildProgram(), "\"" + marker + "\" 800", scratch.Path(), true));
  EXPECT_EQ(test::ReadBytes(marker), "done");

  EXPECT_FALSE(ShellOpen(scratch / "no such program.exe", "", "", true));
}

TEST(ShellUtilsOpenTest, QuitMessageEndsTheWaitAndIsPostedAgain) {
  if (!Exists(ChildProgram())) GTEST_SKIP() << "WaitChild.exe is not beside the tests";
  TScratchFolder scratch;
  const std::string marker = scratch / "late.txt";
  PostQuitMessage(7);
  ASSERT_TRUE(ShellOpen(ChildProgram(), "\"" + marker + "\" 3000", scratch.Path(), true));
  EXPECT_FALSE(Exists(marker));
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 7u);
  // Let the child finish before its folder goes.
  for (int i = 0; i < 100 && !Exists(marker); ++i) Sleep(100);
  EXPECT_TRUE(Exists(marker));
}

TEST(ShellUtilsClipboardTest, PreferredDropEffect) {
  HWND owner = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  ASSERT_TRUE(owner);
  const UINT format = RegisterClipboardFormatW(L"Preferred DropEffect");
  struct Case {
    DWORD stored;
    DWORD effect;
  } cases[] = {{DROPEFFECT_MOVE, 2}, {DROPEFFECT_COPY, 1}, {DROPEFFECT_COPY | DROPEFFECT_MOVE, 2},
               {DROPEFFECT_LINK, 0}, {DROPEFFECT_NONE, 0}};
  for (const Case& c : cases) {
    ASSERT_TRUE(OpenClipboard(owner));
    EmptyClipboard();
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, sizeof(DWORD));
    *static_cast<DWORD*>(GlobalLock(block)) = c.stored;
    GlobalUnlock(block);
    ASSERT_TRUE(SetClipboardData(format, block));
    CloseClipboard();
    EXPECT_EQ(ClipboardDropEffect(), c.effect) << c.stored;
  }
  ASSERT_TRUE(OpenClipboard(owner));
  EmptyClipboard();
  CloseClipboard();
  EXPECT_EQ(ClipboardDropEffect(), 0u);
  DestroyWindow(owner);
}

// ---------------------------------------------------------------------------------------------
// Item-identifier lists

class ShellUtilsPidlTest : public ::testing::Test {
protected:
  void SetUp() override {
    CoInitialize(nullptr);
    file_ = scratch_ / "pidl target.qdat";
    WriteBytes(file_, "pidl");
    list_ = PathToPidl(file_);
    ASSERT_NE(list_, nullptr);
  }
  void TearDown() override {
    CoTaskMemFree(list_);
    CoUninitialize();
  }
  static std::string Bytes(LPCITEMIDLIST list) {
    return std::string(reinterpret_cast<const char*>(list), ILGetSize(list));
  }
  TScratchFolder scratch_;
  std::string file_;
  LPITEMIDLIST list_ = nullptr;
};

TEST_F(ShellUtilsPidlTest, WalkSizeAndStripAgreeWithTheShell) {
  EXPECT_EQ(PidlSize(list_), ILGetSize(list_));
  EXPECT_EQ(PidlSize(nullptr), 0u);

  // The last item found by walking is the shell's last item.
  LPCITEMIDLIST last = list_;
  int items = 0;
  for (LPCITEMIDLIST item = list_; item && item->mkid.cb; item = PidlNext(item)) {
    last = item;
    ++items;
  }
  EXPECT_GE(items, 2);
  EXPECT_EQ(last, ILFindLastID(list_));
  EXPECT_EQ(PidlNext(ILGetNext(last)), nullptr);  // the terminator has no successor

  LPITEMIDLIST ours = PidlCopy(list_);
  LPITEMIDLIST theirs = ILClone(list_);
  ASSERT_TRUE(ours && theirs);
  EXPECT_EQ(Bytes(ours), Bytes(list_));
  EXPECT_TRUE(PidlStripLast(ours));
  EXPECT_TRUE(ILRemoveLastID(theirs));
  EXPECT_EQ(PidlSize(ours), ILGetSize(theirs));
  EXPECT_EQ(Bytes(ours), Bytes(theirs));

  // Parent + last item gives the whole list back.
  LPITEMIDLIST lastOnly = ILCloneFirst(ILFindLastID(list_));
  LPITEMIDLIST joined = PidlConcat(ours, lastOnly);
  EXPECT_EQ(Bytes(joined), Bytes(list_));
  LPITEMIDLIST alone = PidlConcat(nullptr, lastOnly);
  EXPECT_EQ(Bytes(alone), Bytes(lastOnly));
  for (LPITEMIDLIST p : {ours, theirs, lastOnly, joined, alone}) CoTaskMemFree(p);
}

TEST_F(ShellUtilsPidlTest, NamesFolderBitAndIcon) {
  IShellFolder* parent = nullptr;
  LPCITEMIDLIST child = nullptr;
  ASSERT_TRUE(SUCCEEDED(SHBindToParent(list_, IID_IShellFolder, reinterpret_cast<void**>(&parent), &child)));
  EXPECT_EQ(LongName(PidlName(parent, child, true)), LongName(file_));
  EXPECT_EQ(PidlName(parent, child, false).rfind("pidl target", 0), 0u);
  EXPECT_FALSE(PidlIsFolder(parent, child));
  parent->Release();

  LPITEMIDLIST folderList = PathToPidl(scratch_.Path());
  ASSERT_NE(folderList, nullptr);
  ASSERT_TRUE(SUCCEEDED(SHBindToParent(folderList, IID_IShellFolder, reinterpret_cast<void**>(&parent), &child)));
  EXPECT_TRUE(PidlIsFolder(parent, child));
  parent->Release();
  EXPECT_GE(PidlIcon(folderList, false, true), 0);
  EXPECT_GE(PidlIcon(list_, true, false), 0);
  CoTaskMemFree(folderList);

  EXPECT_EQ(PathToPidl(scratch_ / "missing\\nothing.txt"), nullptr);
}

TEST(ShellUtilsStrRetTest, AllThreeForms) {
  STRRET wide = {};
  wide.uType = STRRET_WSTR;
  const wchar_t text[] = L"wide \u00e9";
  wide.pOleStr = static_cast<LPWSTR>(CoTaskMemAlloc(sizeof text));
  std::memcpy(wide.pOleStr, text, sizeof text);
  EXPECT_EQ(StrRetText(wide, nullptr), "wide \xC3\xA9");
  EXPECT_EQ(wide.pOleStr, nullptr);

  STRRET narrow = {};
  narrow.uType = STRRET_CSTR;
  std::strcpy(narrow.cStr, "ansi name");
  EXPECT_EQ(StrRetText(narrow, nullptr), "ansi name");

  // An item carrying its name inside, after a 2-byte size and 2 bytes of data.
  alignas(4) char item[32] = {};
  item[0] = 16;
  std::strcpy(item + 4, "inside");
  STRRET offset = {};
  offset.uType = STRRET_OFFSET;
  offset.uOffset = 4;
  EXPECT_EQ(StrRetText(offset, reinterpret_cast<LPCITEMIDLIST>(item)), "inside");
}

TEST(ShellUtilsPidlAllocTest, ZeroesTheStartOfTheBlock) {
  for (UINT size : {1u, 2u, 3u, 4u, 64u}) {
    auto* block = reinterpret_cast<unsigned char*>(PidlAlloc(size));
    ASSERT_NE(block, nullptr);
    for (UINT i = 0; i < (size < 4 ? size : 4); ++i) EXPECT_EQ(block[i], 0) << size;
    CoTaskMemFree(block);
  }
}

}  // namespace
}  // namespace quill

// The Win32 side of the shared file, volume and shell utilities: volume facts, times, folder
// walks, the shell's open/properties/format/shortcut services and item-identifier lists. Text is
// UTF-8; every system call goes through the W functions.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "fileview/FileUtils.h"

namespace quill {

// Paths and names.
bool IsFolder(const std::string& path);
std::string TempFolder();

// Drives and volumes. `drive` is anything DriveRoot accepts ("C", "C:", "C:\dir", "\\srv\share").
// The queries never put up the system's "no disk in drive" box.
uint32_t DriveType(std::string_view drive);
bool DriveReady(std::string_view drive);
std::string DriveLabel(std::string_view drive);
std::string VolumeSerial(std::string_view drive);  // "1234ABCD", empty when unreadable
std::string DriveLetters();                        // "ACD": one letter per existing drive, A upwards
uint64_t DiskFree(std::string_view drive);         // 0 when unreadable
uint64_t DiskSize(std::string_view drive);
// 2 on NT-based systems, 1 on 95-family systems with a build above 1000, else 0.
int SystemKind();
// Runs the system's format dialog; its result, or SHFMT_ERROR when the dialog is unavailable.
DWORD FormatDrive(HWND owner, char letter, bool quick);
std::string TreeCacheFile(std::string_view drive, std::string_view folder, bool inRoot);
// The executable's folder, ending in "\".
std::string ModuleFolder();

// Times. File times are UTC in 100 ns units; the calendar side is local time.
std::optional<TCalendarTime> FileTimeToCalendar(uint64_t fileTime);
std::optional<uint64_t> CalendarToFileTime(const TCalendarTime& localTime);
std::string FileTimeText(uint64_t fileTime, int mode);
std::optional<TCalendarTime> FileLocalTime(HANDLE file);
// Creation, last-access and last-write time all set to `fileTime`.
bool SetFileTimes(const std::string& fileName, uint64_t fileTime);

// Files and folder walks. The walks use absolute paths, never change the current directory and
// do not follow junctions or symbolic links to folders.
uint64_t FileSize64(const std::string& fileName);  // 0 when it cannot be opened
int64_t CountFiles(const std::string& folder);     // -1 when the folder cannot be entered
constexpr uint64_t kNoFolderSize = ~uint64_t{0};
uint64_t FolderSize(const std::string& folder);    // kNoFolderSize when it cannot be entered
// Both of the above in one walk; false (and nothing added) when the folder cannot be entered.
bool FolderTotals(const std::string& folder, int64_t& count, uint64_t& bytes);

// Shell. With `wait`, messages keep being dispatched until the started process ends; a WM_QUIT
// seen meanwhile is posted again and ends the wait. `exitCode`, when given, receives the
// process's exit code, or -1 when it is unknown (no wait, no process, or the wait cut short).
bool ShellOpen(const std::string& file, const std::string& parameters, const std::string& folder, bool wait,
               long* exitCode = nullptr);
bool ShowProperties(const std::string& path);
// DROPEFFECT_MOVE (2), DROPEFFECT_COPY (1) or 0, from the clipboard's "Preferred DropEffect".
DWORD ClipboardDropEffect();
bool CreateShortcut(const std::string& target, const std::string& folder);
// The long path of the shortcut's existing target; empty when anything fails.
std::string ShortcutTarget(const std::string& linkFile, HWND owner = nullptr);

// Item-identifier lists. Lists made here come from the shell's allocator (free with
// CoTaskMemFree or ILFree).
LPITEMIDLIST PidlAlloc(UINT size);
// The item after `item`; nullptr for a null item or the terminator.
LPITEMIDLIST PidlNext(LPCITEMIDLIST item);
bool PidlStripLast(LPITEMIDLIST list);
UINT PidlSize(LPCITEMIDLIST list);  // 0 for a null list
LPITEMIDLIST PidlCopy(LPCITEMIDLIST list);
LPITEMIDLIST PidlConcat(LPCITEMIDLIST first, LPCITEMIDLIST second);
int PidlIcon(LPCITEMIDLIST list, bool large, bool open);  // -1 when unknown
bool PidlIsFolder(IShellFolder* folder, LPCITEMIDLIST item);
std::string PidlName(IShellFolder* folder, LPCITEMIDLIST item, bool forParsing);
// The text of a display name in any of its three forms; a wide string is freed.
std::string StrRetText(STRRET& value, LPCITEMIDLIST item);
LPITEMIDLIST PathToPidl(const std::string& path);

}  // namespace quill

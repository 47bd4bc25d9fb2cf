// What the models need of the file system, volumes and shell. TWin32FileSystem (platform/) is
// the real one; the native tests use an in-memory one.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "base/FileStore.h"

namespace quill {

constexpr uint32_t faReadOnly = 0x1;
constexpr uint32_t faHidden = 0x2;
constexpr uint32_t faSystem = 0x4;
constexpr uint32_t faDirectory = 0x10;
constexpr uint32_t faArchive = 0x20;
constexpr uint32_t faDrive = 0x4000;
constexpr uint32_t kInvalidAttributes = 0xFFFFFFFFu;

// System drive types.
constexpr uint32_t kDriveUnknown = 0;
constexpr uint32_t kDriveNoRoot = 1;
constexpr uint32_t kDriveRemovable = 2;
constexpr uint32_t kDriveFixed = 3;
constexpr uint32_t kDriveRemote = 4;
constexpr uint32_t kDriveCdRom = 5;
constexpr uint32_t kDriveRamDisk = 6;

struct TFindData {
  std::string name;
  uint32_t attributes = 0;
  uint64_t size = 0;
  uint64_t time = 0;  // last-write time, UTC file-time units
};

class IFileSystem : public IFileStore {
public:
  // Calls `found` for every entry matching `pattern` (a folder joined with a mask such as
  // "*.*"), "." and ".." included as the system gives them. False when the folder cannot be
  // read (missing, or access denied); true when it was read, even if nothing matched.
  virtual bool Enumerate(const std::string& pattern, const std::function<void(const TFindData&)>& found) = 0;
  virtual bool SetCurrentDir(const std::string& path) = 0;
  virtual std::string CurrentDir() = 0;
  virtual uint32_t GetAttributes(const std::string& path) = 0;  // kInvalidAttributes when missing
  virtual bool SetAttributes(const std::string& path, uint32_t attributes) = 0;
  virtual uint32_t RemoveFile(const std::string& path) = 0;  // 0 or the error code
  virtual uint32_t LogicalDrives() = 0;                  // bit 0 = A
  virtual uint32_t DriveType(const std::string& root) = 0;
  // False when the volume information cannot be read (the drive is not ready).
  virtual bool VolumeLabel(const std::string& root, std::string& label) = 0;
  // Hands a file to the shell's default action; false when it could not be started.
  virtual bool ShellOpen(const std::string& file) = 0;

  bool FileExists(const std::string& path) {
    uint32_t a = GetAttributes(path);
    return a != kInvalidAttributes && !(a & faDirectory);
  }
  bool DirectoryExists(const std::string& path) {
    uint32_t a = GetAttributes(path);
    return a != kInvalidAttributes && (a & faDirectory);
  }
};

}  // namespace quill

// The real file system, volumes and shell behind IFileSystem.
#pragma once

#include "base/FileSystem.h"

namespace quill {

class TWin32FileSystem : public IFileSystem {
public:
  bool ReadAll(const std::string& path, std::string& bytes) override;
  uint32_t WriteAll(const std::string& path, std::string_view bytes) override;
  bool Enumerate(const std::string& pattern, const std::function<void(const TFindData&)>& found) override;
  bool SetCurrentDir(const std::string& path) override;
  std::string CurrentDir() override;
  uint32_t GetAttributes(const std::string& path) override;
  bool SetAttributes(const std::string& path, uint32_t attributes) override;
  uint32_t RemoveFile(const std::string& path) override;
  uint32_t LogicalDrives() override;
  uint32_t DriveType(const std::string& root) override;
  bool VolumeLabel(const std::string& root, std::string& label) override;
  bool ShellOpen(const std::string& file) override;

  static TWin32FileSystem& Instance();
};

}  // namespace quill

// What one UnACE.dll archive handle does, without the system: the walk over the headers and the
// volumes, the callbacks' protocol, the destination path rules, and testing or extracting stored
// entries with their CRC checked. UnaceDll.cpp adds the exports, the code pages and the file
// system behind IUnaceHost; native tests drive the same session with an in-memory host.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "archivers/aceformat/AceFormat.h"
#include "archivers/unace/UnaceInterface.h"

namespace unace {

struct Stamp {
  uint32_t dosTime = 0;  // 0 = leave the time alone
  uint32_t attributes = 0;
};

// One file being written under a name of its own; Commit gives it the target's name (replacing
// what is there) with the stamp, and destroying it uncommitted deletes it.
class IOutputFile {
 public:
  virtual ~IOutputFile() = default;
  // 0, kAceWriteFailed or kAceDiskFull.
  virtual int Write(const uint8_t* data, size_t size) = 0;
  virtual bool Commit() = 0;
};

class IUnaceHost {
 public:
  virtual ~IUnaceHost() = default;
  virtual std::unique_ptr<zipformat::IByteSource> OpenVolume(const std::string& name) = 0;
  // The volume callback: a needed volume is missing (the callee may change `name`; false when it
  // gives none), or a volume is about to be opened (false: stop).
  virtual bool VolumeMissing(std::string& name) = 0;
  virtual bool VolumeOpened(const std::string& name) = 0;
  // The data callback after each block; false stops the entry.
  virtual bool Data(const uint8_t* data, size_t size) = 0;
  // A stored name in UTF-8, read in the code page of the archive's host system.
  virtual std::string NameToUtf8(const std::string& stored, uint8_t hostOs) = 0;
  // Creates `path` and its missing parents; true when it is a folder afterwards.
  virtual bool MakeFolders(const std::string& path) = 0;
  virtual void StampFolder(const std::string& path, const Stamp& stamp) = 0;
  virtual std::unique_ptr<IOutputFile> CreateOutput(const std::string& target, const Stamp& stamp) = 0;
};

// Where an entry goes: its stored path (UTF-8) below `destPath` (empty: the current folder),
// separators "\". False for a path that would leave the destination or is no valid name.
bool TargetPath(const std::string& destPath, const std::string& entryName, std::string& target);

class Session {
 public:
  Session(IUnaceHost& host, unsigned openMode);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // 0, kAceOpenFailed, kAceNotAce, kAceBadCrc (a damaged main header), kAceReadFailed (cut short).
  int Open(const std::string& archiveName);
  const aceformat::MainHeader& Main() const { return main_; }
  // 0 with the next entry (its first part), kAceEndArchive, kAceBadCrc, kAceReadFailed, or
  // kAceMissingVolume when a volume an entry continues in is missing (extract mode only: a
  // listing ends there). An entry not processed is skipped first.
  int ReadHeader(aceformat::FileEntry& entry);
  const std::string& VolumeName() const { return volumeName_; }
  // The entry ReadHeader gave last: its name in UTF-8 with "\" separators.
  const std::string& EntryName() const { return entryName_; }
  // Skip, test or extract the entry ReadHeader gave last (`destPath` UTF-8).
  int Process(int operation, const std::string& destPath);
  void SetPassword(std::string password) { password_ = std::move(password); }

 private:
  struct Volume;
  // Moves to the volume after the current one. `needed`: an entry continues there, so a missing
  // volume is asked for.
  int NextVolume(bool needed);
  int Unpack(const aceformat::FileEntry& first, IOutputFile* file);

  IUnaceHost& host_;
  unsigned mode_;
  std::unique_ptr<Volume> volume_;
  std::string volumeName_;
  aceformat::MainHeader main_;
  unsigned volumeNumber_ = 0;
  bool lastContinues_ = false;  // the last header read continues in the next volume
  aceformat::FileEntry entry_;
  std::string entryName_;
  bool haveEntry_ = false;
  bool processed_ = false;
  std::string password_;
};

}  // namespace unace

// What the operation engine shows while it works. The progress dialogs implement these; tests
// use recording fakes, so the engine runs without any window. Portable.
#pragma once

#include <cstdint>
#include <string>

namespace quill {

enum TProgressMode {
  pmBytes = 0,  // the gauge counts bytes (copy, cross-volume move)
  pmItems = 1,  // the gauge counts items (same-volume move)
};

class ICopyProgress {
public:
  virtual ~ICopyProgress() = default;
  // Shows the dialog without blocking: caption, the "%d/%d" total, the byte total (pmBytes) and
  // the gauge's maximum (bytes or `count`). The counter starts at 0, Cancelled at false.
  virtual void Begin(const std::string& caption, int count, uint64_t totalBytes, TProgressMode mode) = 0;
  // The "From '%s'  To '%s'" line.
  virtual void SetSource(const std::string& name) = 0;
  virtual void SetTarget(const std::string& name) = 0;
  // Replaces the whole path line (a move shows only "  To '%s'") until the next Begin.
  virtual void SetPathLine(const std::string& text) = 0;
  // The current item line, e.g. "name (1,234 bytes) ".
  virtual void SetFileLine(const std::string& text) = 0;
  virtual void SetCurrent(int current) = 0;
  virtual int Current() const = 0;
  // Advances the gauge (bytes or items, by the mode).
  virtual void AddProgress(uint64_t amount) = 0;
  // The remaining-time estimate stops while a question is open.
  virtual void PauseTimer() = 0;
  virtual void RestartTimer() = 0;
  // Lets pending window messages run (painting, the Cancel button); the engine calls it after
  // each block and file, and the dialog keeps it cheap by updating at most ~10 times a second.
  virtual void ProcessMessages() = 0;
  virtual bool Cancelled() const = 0;
  // Closes the dialog and re-enables its owner.
  virtual void End() = 0;
};

class IDeleteProgress {
public:
  virtual ~IDeleteProgress() = default;
  virtual void Begin(int maximum) = 0;
  virtual void SetItem(const std::string& name) = 0;
  virtual void Step() = 0;
  virtual void ProcessMessages() = 0;
  virtual bool Cancelled() const = 0;
  virtual void End() = 0;
};

// Conflict answers (Answer flags of the engine, returned by the replace confirmation).
constexpr uint32_t feOverwrite = 0x02;
constexpr uint32_t feSkip = 0x04;
constexpr uint32_t feCancel = 0x08;
constexpr uint32_t feRenamed = 0x10;
constexpr uint32_t feAll = 0x20;

}  // namespace quill

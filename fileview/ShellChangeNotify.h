// Watching one folder for changes: a worker thread waits on the system's change notification and
// hands every change to the thread that owns the component, which reports it through OnChange,
// optionally gathering a burst of changes into one report.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "platform/Handle.h"
#include "ui/Window.h"

namespace quill {

// The values are the system's FILE_NOTIFY_CHANGE_* bits, so a set passes straight through.
enum TShellChangeFilter : uint32_t {
  mfFileName = 0x1,
  mfDirName = 0x2,
  mfAttributes = 0x4,
  mfSize = 0x8,
  mfLastWrite = 0x10,
  mfLastAccess = 0x20,
  mfCreation = 0x40,
  mfSecurity = 0x100,
};
using TShellChangeFilters = uint32_t;
inline constexpr TShellChangeFilters kAllShellChangeFilters =
    mfFileName | mfDirName | mfAttributes | mfSize | mfLastWrite | mfLastAccess | mfCreation | mfSecurity;
inline constexpr TShellChangeFilters kDefaultShellChangeFilter = mfFileName | mfDirName | mfSize | mfLastWrite;

struct TChangeNotifyTraits {
  using Type = HANDLE;
  static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) { FindCloseChangeNotification(h); }
};
using TChangeNotifyHandle = TUniqueHandle<TChangeNotifyTraits>;

// The worker. It touches nothing but its own handles: every change becomes a message posted to
// `target` carrying the thread's token, and when the folder goes away the thread ends by itself
// and posts kEndedMessage. Destroying the object stops and joins the thread.
class TNotifyThread {
public:
  static constexpr UINT kChangedMessage = WM_APP + 0x51;
  static constexpr UINT kEndedMessage = WM_APP + 0x52;
  // How often the thread makes sure its folder still exists.
  static constexpr DWORD kFolderCheckMs = 1000;

  // Arms the watch before returning, so every change after the call is seen; null when the
  // folder cannot be watched (missing, no access, empty filter) or no thread can be started.
  static std::unique_ptr<TNotifyThread> Start(const std::string& folder, TShellChangeFilters filter, bool subTree,
                                              HWND target, WPARAM token);
  ~TNotifyThread();
  TNotifyThread(const TNotifyThread&) = delete;
  TNotifyThread& operator=(const TNotifyThread&) = delete;

  WPARAM Token() const { return token_; }
  // Called by the receiver of kChangedMessage before it reports; the next change posts again.
  void Acknowledge() { posted_.store(false); }

private:
  TNotifyThread(std::wstring folder, DWORD filter, bool subTree, HWND target, WPARAM token);
  bool Arm();
  bool RecheckFolder();
  uint64_t FolderStamp() const;
  void Notify();
  void Run();

  std::wstring folder_;
  DWORD filter_;
  bool subTree_;
  HWND target_;
  WPARAM token_;
  TChangeNotifyHandle change_;  // owned by the worker once it runs
  TKernelHandle stop_;
  uint64_t stamp_ = 0;
  // At most one kChangedMessage waits in the queue, however fast the changes come.
  std::atomic<bool> posted_{false};
  std::thread thread_;
};

// The component. Lives on a thread with a message loop; OnChange, the delay timer and every
// property change happen on that thread.
class TShellChangeNotify : private TWindow {
public:
  TShellChangeNotify();
  ~TShellChangeNotify() override;

  // True while a watcher thread exists.
  bool Active() const { return thread_ != nullptr; }
  // Ignored while Lock is set.
  void SetActive(bool value);
  // Milliseconds from the first change of a burst to its OnChange; 0 or less reports each change.
  int Delay() const { return delay_; }
  void SetDelay(int value) { delay_ = value; }
  const std::string& Folder() const { return folder_; }
  void SetFolder(const std::string& value);
  bool SubFolder() const { return subFolder_; }
  void SetSubFolder(bool value);
  TShellChangeFilters Filter() const { return filter_; }
  void SetFilter(TShellChangeFilters value);
  bool Lock() const { return lock_; }
  void SetLock(bool value) { lock_ = value; }
  const std::function<void()>& OnChange() const { return onChange_; }
  void SetOnChange(std::function<void()> handler) { onChange_ = std::move(handler); }

private:
  static constexpr UINT_PTR kDelayTimer = 1;

  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void Reset(bool active);
  void StopWatcher();
  void FolderChanged();
  void FireChange();

  std::string folder_;
  TShellChangeFilters filter_ = kDefaultShellChangeFilter;
  int delay_ = 0;
  bool subFolder_ = false;
  bool lock_ = false;
  bool timerPending_ = false;
  WPARAM generation_ = 0;
  std::unique_ptr<TNotifyThread> thread_;
  std::function<void()> onChange_;
};

}  // namespace quill

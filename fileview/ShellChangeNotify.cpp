#include "fileview/ShellChangeNotify.h"

#include <system_error>
#include <utility>

#include "platform/Utf16.h"

namespace quill {

namespace {

bool IsFolderW(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

// ---- TNotifyThread ----

TNotifyThread::TNotifyThread(std::wstring folder, DWORD filter, bool subTree, HWND target, WPARAM token)
    : folder_(std::move(folder)), filter_(filter), subTree_(subTree), target_(target), token_(token) {}

std::unique_ptr<TNotifyThread> TNotifyThread::Start(const std::string& folder, TShellChangeFilters filter,
                                                    bool subTree, HWND target, WPARAM token) {
  std::unique_ptr<TNotifyThread> watcher(
      new TNotifyThread(LongPath(folder), filter & kAllShellChangeFilters, subTree, target, token));
  // Arming here rather than on the worker means a caller that changes the folder right after
  // starting the watch is sure to hear about it.
  if (!watcher->Arm()) return nullptr;
  watcher->stop_.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!watcher->stop_) return nullptr;
  try {
    watcher->thread_ = std::thread(&TNotifyThread::Run, watcher.get());
  } catch (const std::system_error&) {
    return nullptr;
  }
  return watcher;
}

// The owner stops the worker and waits for it instead of letting it free itself when it ends:
// the worker only ever blocks in a wait that includes the stop event, so the join returns at
// once, and nothing can outlive the object it runs on or post to a window that is gone.
TNotifyThread::~TNotifyThread() {
  if (thread_.joinable()) {
    SetEvent(stop_.Get());
    thread_.join();
  }
}

bool TNotifyThread::Arm() {
  change_.Reset(FindFirstChangeNotificationW(folder_.c_str(), subTree_ ? TRUE : FALSE, filter_));
  if (!change_) return false;
  stamp_ = FolderStamp();
  return true;
}

uint64_t TNotifyThread::FolderStamp() const {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(folder_.c_str(), GetFileExInfoStandard, &data)) return 0;
  return (uint64_t{data.ftLastWriteTime.dwHighDateTime} << 32) | data.ftLastWriteTime.dwLowDateTime;
}

void TNotifyThread::Notify() {
  if (!posted_.exchange(true)) PostMessageW(target_, kChangedMessage, token_, 0);
}

// Wine signals nothing when the watched folder itself is removed, and keeps a removed folder in
// place (still listed, still enterable) for as long as any handle to it is open, this watch
// included; a watch that never let go would keep a dead folder alive for ever. So the worker
// lets go of the folder now and then, looks whether it is still there, and watches it again.
// A change made while no watch is armed still shows in the folder's last-write time (entries
// added, removed or renamed), which is compared with the time read when the watch was armed;
// only a change to a file's contents in that instant, or anything below a sub-folder, can slip by.
bool TNotifyThread::RecheckFolder() {
  const uint64_t armedStamp = stamp_;
  change_.Reset();
  if (!IsFolderW(folder_) || !Arm()) return false;
  if (stamp_ != armedStamp) Notify();
  return true;
}

void TNotifyThread::Run() {
  bool endedByItself = false;
  ULONGLONG nextCheck = GetTickCount64() + kFolderCheckMs;
  for (;;) {
    const ULONGLONG now = GetTickCount64();
    const DWORD timeout = now >= nextCheck ? 0 : static_cast<DWORD>(nextCheck - now);
    // The stop event comes first so that it wins over a change signalled at the same moment.
    const HANDLE handles[2] = {stop_.Get(), change_.Get()};
    const DWORD result = WaitForMultipleObjects(2, handles, FALSE, timeout);
    if (result == WAIT_OBJECT_0) break;
    if (result == WAIT_OBJECT_0 + 1) {
      Notify();
      if (!FindNextChangeNotification(change_.Get())) {
        endedByItself = true;
        break;
      }
      stamp_ = FolderStamp();
    } else if (result != WAIT_TIMEOUT) {
      endedByItself = true;
      break;
    }
    // Checked on every wake, not only when idle, so that a folder that keeps changing is
    // still found gone.
    if (GetTickCount64() >= nextCheck) {
      if (!RecheckFolder()) {
        endedByItself = true;
        break;
      }
      nextCheck = GetTickCount64() + kFolderCheckMs;
    }
  }
  // Let go of the folder before telling anyone, so a pending removal completes now.
  change_.Reset();
  if (endedByItself) PostMessageW(target_, kEndedMessage, token_, 0);
}

// ---- TShellChangeNotify ----

TShellChangeNotify::TShellChangeNotify() {
  CreateHandle(L"QuillShellChangeNotify", 0, 0, L"", 0, 0, 0, 0, HWND_MESSAGE, 0);
}

TShellChangeNotify::~TShellChangeNotify() {
  if (timerPending_ && Handle()) KillTimer(Handle(), kDelayTimer);
  // The worker goes before the window it posts to.
  thread_.reset();
}

void TShellChangeNotify::SetActive(bool value) {
  if (lock_ || value == Active()) return;
  Reset(value);
}

void TShellChangeNotify::SetFolder(const std::string& value) {
  if (value == folder_) return;
  folder_ = value;
  Reset(Active());
}

void TShellChangeNotify::SetSubFolder(bool value) {
  if (value == subFolder_) return;
  subFolder_ = value;
  Reset(Active());
}

void TShellChangeNotify::SetFilter(TShellChangeFilters value) {
  if (value == filter_) return;
  filter_ = value;
  Reset(Active());
}

void TShellChangeNotify::Reset(bool active) {
  StopWatcher();
  if (!active || folder_.empty() || !Handle() || !IsFolderW(LongPath(folder_))) return;
  thread_ = TNotifyThread::Start(folder_, filter_, subFolder_, Handle(), ++generation_);
}

// A report still waiting for its delay belongs to the watch being stopped: whoever stops the
// watch (a new folder, the program's own file operations) rescans anyway.
void TShellChangeNotify::StopWatcher() {
  thread_.reset();
  if (timerPending_) {
    KillTimer(Handle(), kDelayTimer);
    timerPending_ = false;
  }
}

void TShellChangeNotify::FolderChanged() {
  if (delay_ <= 0) {
    FireChange();
    return;
  }
  if (timerPending_) return;
  if (SetTimer(Handle(), kDelayTimer, static_cast<UINT>(delay_), nullptr)) timerPending_ = true;
  else FireChange();
}

// Runs the handler from a copy: the handler may destroy the component and with it onChange_,
// and nothing of the component is touched once it returns.
void TShellChangeNotify::FireChange() {
  if (!onChange_) return;
  const std::function<void()> handler = onChange_;
  handler();
}

LRESULT TShellChangeNotify::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case TNotifyThread::kChangedMessage:
      // A message from a watcher that has been replaced or stopped since is stale.
      if (thread_ && thread_->Token() == wParam) {
        thread_->Acknowledge();
        FolderChanged();
      }
      return 0;
    case TNotifyThread::kEndedMessage:
      if (thread_ && thread_->Token() == wParam) thread_.reset();
      return 0;
    case WM_TIMER:
      if (wParam == kDelayTimer) {
        KillTimer(Handle(), kDelayTimer);
        timerPending_ = false;
        FireChange();
        return 0;
      }
      break;
    default:
      break;
  }
  return DefaultHandling(message, wParam, lParam);
}

}  // namespace quill

// The drop target of a window that takes files: it reads the dragged file list and leaves every
// decision to its handler, so the rules live with the window and stay testable without OLE.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <string>
#include <vector>

#include "transfer/DataObject.h"

namespace quill {

// Key states are MK_* bits, points in screen co-ordinates, effects DROPEFFECT_* bits; `allowed`
// holds the effects the source offers. Each step but the leave returns the effect to show.
class IFileDropHandler {
public:
  virtual ~IFileDropHandler() = default;
  virtual DWORD FilesDragEnter(const std::vector<std::string>& files, DWORD keys, POINT screen, DWORD allowed) = 0;
  virtual DWORD FilesDragOver(DWORD keys, POINT screen, DWORD allowed) = 0;
  virtual void FilesDragLeave() = 0;
  // The effect carried out; the files are those the drag brought in. A move is reported to
  // the source as the shell reports its own: "none", with the move as the performed effect.
  virtual DWORD FilesDrop(const std::vector<std::string>& files, DWORD keys, POINT screen, DWORD allowed) = 0;
};

// Data without a file list is refused without asking the handler. Another program may hold a
// reference after the window has gone: Detach before revoking, and later calls answer "none".
class TFileDropTarget final : public TComObject<IDropTarget> {
public:
  explicit TFileDropTarget(IFileDropHandler* handler) : TComObject(IID_IDropTarget), handler_(handler) {}
  void Detach() { handler_ = nullptr; }

  HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) override;
  HRESULT STDMETHODCALLTYPE DragOver(DWORD keys, POINTL point, DWORD* effect) override;
  HRESULT STDMETHODCALLTYPE DragLeave() override;
  HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) override;

private:
  IFileDropHandler* handler_;
  std::vector<std::string> files_;  // of the drag in progress; empty: not ours
};

}  // namespace quill

#include "transfer/DropTarget.h"

#include <exception>
#include <utility>

namespace quill {

namespace {
POINT ToPoint(POINTL p) { return {p.x, p.y}; }

// No exception may leave a call made by OLE: a failing handler refuses the drop.
template <typename F>
DWORD Guarded(F&& f) {
  try {
    return f();
  } catch (const std::exception&) {
    return DROPEFFECT_NONE;
  }
}
}  // namespace

HRESULT TFileDropTarget::DragEnter(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) {
  if (!effect) return E_INVALIDARG;
  files_ = DataObjectFiles(data);
  if (files_.empty() || !handler_) {
    *effect = DROPEFFECT_NONE;
    return S_OK;
  }
  const DWORD allowed = *effect;
  *effect = Guarded([&] { return handler_->FilesDragEnter(files_, keys, ToPoint(point), allowed); });
  return S_OK;
}

HRESULT TFileDropTarget::DragOver(DWORD keys, POINTL point, DWORD* effect) {
  if (!effect) return E_INVALIDARG;
  if (files_.empty() || !handler_) {
    *effect = DROPEFFECT_NONE;
    return S_OK;
  }
  const DWORD allowed = *effect;
  *effect = Guarded([&] { return handler_->FilesDragOver(keys, ToPoint(point), allowed); });
  return S_OK;
}

HRESULT TFileDropTarget::DragLeave() {
  if (!files_.empty() && handler_) Guarded([&] {
      handler_->FilesDragLeave();
      return DROPEFFECT_NONE;
    });
  files_.clear();
  return S_OK;
}

HRESULT TFileDropTarget::Drop(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) {
  if (!effect) return E_INVALIDARG;
  // The list is read again: a drop may come without an enter having seen the data.
  std::vector<std::string> files = DataObjectFiles(data);
  files_.clear();
  const DWORD allowed = *effect;
  *effect = DROPEFFECT_NONE;
  if (files.empty() || !handler_) return S_OK;
  const DWORD done = Guarded([&] { return handler_->FilesDrop(files, keys, ToPoint(point), allowed); });
  // A move is done here, file by file, as the shell's optimised move does it: the source hears
  // "none", so it never deletes anything itself (a file skipped on a name conflict must stay),
  // and learns of the move from the performed effect.
  if (done == DROPEFFECT_MOVE) {
    SetPerformedDropEffect(data, DROPEFFECT_MOVE);
    *effect = DROPEFFECT_NONE;
  } else {
    *effect = done;
  }
  return S_OK;
}

}  // namespace quill

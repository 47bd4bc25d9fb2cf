// Files handed to other programs the way the shell hands them: a data object offering the file
// list (CF_HDROP) and, when asked for, the "Preferred DropEffect"; and the drop source of a drag
// out of the pane. The objects are created with one reference, which the caller releases.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <atomic>
#include <string>
#include <vector>

namespace quill {

// The reference counting and interface lookup of a COM object with one interface.
template <typename Interface>
class TComObject : public Interface {
public:
  explicit TComObject(const IID& iid) : iid_(iid) {}
  virtual ~TComObject() = default;
  TComObject(const TComObject&) = delete;
  TComObject& operator=(const TComObject&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, iid_)) {
      *out = static_cast<Interface*>(this);
      this->AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

private:
  const IID& iid_;
  std::atomic<ULONG> references_{1};
};

// The shell's registered format "Preferred DropEffect".
CLIPFORMAT PreferredDropEffectFormat();

// The shell's registered format "Performed DropEffect": what a drop target really did.
CLIPFORMAT PerformedDropEffectFormat();
// The value a target left on `data`; 0 when it left none.
DWORD PerformedDropEffect(IDataObject* data);
bool SetPerformedDropEffect(IDataObject* data, DWORD effect);

// A data object naming `paths` (full paths, UTF-8) in CF_HDROP and, unless `preferredEffect` is
// 0, offering that DROPEFFECT as "Preferred DropEffect". What a target stores on it in an
// HGLOBAL (the shell's "Performed DropEffect", for one) is kept and offered back.
IDataObject* NewFileDataObject(const std::vector<std::string>& paths, DWORD preferredEffect = 0);

// A drop source that drops when the mouse buttons are released and cancels on Escape.
IDropSource* NewFileDropSource();

// The files of a data object's CF_HDROP, in UTF-8; none when it offers no file list.
std::vector<std::string> DataObjectFiles(IDataObject* data);

}  // namespace quill

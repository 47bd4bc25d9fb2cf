#include "transfer/DataObject.h"

#include <shlobj.h>

#include <cstring>
#include <utility>

#include "platform/Win32Text.h"
#include "transfer/FileDropList.h"

namespace quill {

CLIPFORMAT PreferredDropEffectFormat() {
  static const CLIPFORMAT format = static_cast<CLIPFORMAT>(RegisterClipboardFormatW(L"Preferred DropEffect"));
  return format;
}

CLIPFORMAT PerformedDropEffectFormat() {
  static const CLIPFORMAT format = static_cast<CLIPFORMAT>(RegisterClipboardFormatW(L"Performed DropEffect"));
  return format;
}

namespace {

HGLOBAL GlobalCopy(const std::string& bytes) {
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
  if (!memory) return nullptr;
  if (void* p = GlobalLock(memory)) {
    if (!bytes.empty()) std::memcpy(p, bytes.data(), bytes.size());
    GlobalUnlock(memory);
    return memory;
  }
  GlobalFree(memory);
  return nullptr;
}

bool GlobalBytes(HGLOBAL memory, std::string& bytes) {
  const void* p = GlobalLock(memory);
  if (!p) return false;
  bytes.assign(static_cast<const char*>(p), GlobalSize(memory));
  GlobalUnlock(memory);
  return true;
}

class TFileDataObject final : public TComObject<IDataObject> {
public:
  TFileDataObject() : TComObject(IID_IDataObject) {}

  void Put(CLIPFORMAT format, std::string bytes) {
    for (auto& [f, b] : formats_)
      if (f == format) {
        b = std::move(bytes);
        return;
      }
    formats_.emplace_back(format, std::move(bytes));
  }

  HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override {
    if (!format || !medium) return E_INVALIDARG;
    const std::string* bytes = Find(*format);
    if (!bytes) return DV_E_FORMATETC;
    HGLOBAL memory = GlobalCopy(*bytes);
    if (!memory) return E_OUTOFMEMORY;
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = memory;
    medium->pUnkForRelease = nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override {
    if (!format) return E_INVALIDARG;
    return Find(*format) ? S_OK : DV_E_FORMATETC;
  }
  HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override {
    if (out) out->ptd = nullptr;
    return DATA_S_SAMEFORMATETC;
  }
  HRESULT STDMETHODCALLTYPE SetData(FORMATETC* format, STGMEDIUM* medium, BOOL release) override {
    if (!format || !medium) return E_INVALIDARG;
    if (format->dwAspect != DVASPECT_CONTENT || medium->tymed != TYMED_HGLOBAL || !medium->hGlobal) return DV_E_TYMED;
    std::string bytes;
    if (!GlobalBytes(medium->hGlobal, bytes)) return E_INVALIDARG;
    Put(format->cfFormat, std::move(bytes));
    if (release) ReleaseStgMedium(medium);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD direction, IEnumFORMATETC** out) override {
    if (!out) return E_INVALIDARG;
    *out = nullptr;
    if (direction != DATADIR_GET) return E_NOTIMPL;
    std::vector<FORMATETC> list;
    for (const auto& entry : formats_)
      list.push_back({entry.first, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL});
    return SHCreateStdEnumFmtEtc(static_cast<UINT>(list.size()), list.data(), out);
  }
  HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
    return OLE_E_ADVISENOTSUPPORTED;
  }
  HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
  HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

private:
  const std::string* Find(const FORMATETC& format) const {
    if (format.dwAspect != DVASPECT_CONTENT || !(format.tymed & TYMED_HGLOBAL)) return nullptr;
    for (const auto& [f, bytes] : formats_)
      if (f == format.cfFormat) return &bytes;
    return nullptr;
  }

  std::vector<std::pair<CLIPFORMAT, std::string>> formats_;
};

class TFileDropSource final : public TComObject<IDropSource> {
public:
  TFileDropSource() : TComObject(IID_IDropSource) {}

  HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escapePressed, DWORD keys) override {
    if (escapePressed) return DRAGDROP_S_CANCEL;
    if (!(keys & (MK_LBUTTON | MK_RBUTTON))) return DRAGDROP_S_DROP;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }
};

}  // namespace

IDataObject* NewFileDataObject(const std::vector<std::string>& paths, DWORD preferredEffect) {
  auto* data = new TFileDataObject();
  data->Put(CF_HDROP, BuildFileDropList(paths));
  if (preferredEffect != 0) data->Put(PreferredDropEffectFormat(), DropEffectBytes(preferredEffect));
  return data;
}

IDropSource* NewFileDropSource() { return new TFileDropSource(); }

std::vector<std::string> DataObjectFiles(IDataObject* data) {
  if (!data) return {};
  FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  STGMEDIUM medium{};
  if (FAILED(data->GetData(&format, &medium))) return {};
  std::vector<std::string> files;
  std::string bytes;
  if (medium.tymed == TYMED_HGLOBAL && GlobalBytes(medium.hGlobal, bytes))
    files = ParseFileDropList(bytes, TAnsiCodePage::Instance());
  ReleaseStgMedium(&medium);
  return files;
}

DWORD PerformedDropEffect(IDataObject* data) {
  if (!data) return 0;
  FORMATETC format{PerformedDropEffectFormat(), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  STGMEDIUM medium{};
  if (FAILED(data->GetData(&format, &medium))) return 0;
  std::string bytes;
  DWORD effect = 0;
  if (medium.tymed == TYMED_HGLOBAL && GlobalBytes(medium.hGlobal, bytes) && bytes.size() >= sizeof effect)
    std::memcpy(&effect, bytes.data(), sizeof effect);
  ReleaseStgMedium(&medium);
  return effect;
}

bool SetPerformedDropEffect(IDataObject* data, DWORD effect) {
  if (!data) return false;
  FORMATETC format{PerformedDropEffectFormat(), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  STGMEDIUM medium{};
  medium.tymed = TYMED_HGLOBAL;
  medium.hGlobal = GlobalCopy(DropEffectBytes(effect));
  if (!medium.hGlobal) return false;
  if (SUCCEEDED(data->SetData(&format, &medium, TRUE))) return true;
  GlobalFree(medium.hGlobal);
  return false;
}

}  // namespace quill

// One owner template for system handles, with the invalid value in the traits type, so a
// handle can never be closed twice or leak past an early return.
#pragma once

#include <windows.h>

#include <utility>

namespace quill {

template <typename Traits>
class TUniqueHandle {
public:
  using T = typename Traits::Type;
  TUniqueHandle() = default;
  explicit TUniqueHandle(T value) : value_(value) {}
  ~TUniqueHandle() { Reset(); }
  TUniqueHandle(TUniqueHandle&& other) noexcept : value_(std::exchange(other.value_, Traits::Invalid())) {}
  TUniqueHandle& operator=(TUniqueHandle&& other) noexcept {
    if (this != &other) Reset(std::exchange(other.value_, Traits::Invalid()));
    return *this;
  }
  TUniqueHandle(const TUniqueHandle&) = delete;
  TUniqueHandle& operator=(const TUniqueHandle&) = delete;

  T Get() const { return value_; }
  bool Valid() const { return value_ != Traits::Invalid(); }
  explicit operator bool() const { return Valid(); }
  T Release() { return std::exchange(value_, Traits::Invalid()); }
  void Reset(T value = Traits::Invalid()) {
    if (Valid()) Traits::Close(value_);
    value_ = value;
  }

private:
  T value_ = Traits::Invalid();
};

struct TFindTraits {
  using Type = HANDLE;
  static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) { FindClose(h); }
};
struct TFileTraits {
  using Type = HANDLE;
  static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) { CloseHandle(h); }
};
struct TKernelTraits {
  using Type = HANDLE;
  static HANDLE Invalid() { return nullptr; }
  static void Close(HANDLE h) { CloseHandle(h); }
};
template <typename G>
struct TGdiTraits {
  using Type = G;
  static G Invalid() { return nullptr; }
  static void Close(G h) { DeleteObject(h); }
};

using TFindHandle = TUniqueHandle<TFindTraits>;
using TFileHandle = TUniqueHandle<TFileTraits>;
using TKernelHandle = TUniqueHandle<TKernelTraits>;
using TFontHandle = TUniqueHandle<TGdiTraits<HFONT>>;
using TBrushHandle = TUniqueHandle<TGdiTraits<HBRUSH>>;
using TBitmapHandle = TUniqueHandle<TGdiTraits<HBITMAP>>;

}  // namespace quill

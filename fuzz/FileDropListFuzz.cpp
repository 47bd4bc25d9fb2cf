// A shell file list from any program: reading never overruns, every name is valid UTF-8 without
// a null, and the names written back as our own list read back the same.
#include "base/Text.h"
#include "fuzz/FuzzInput.h"
#include "transfer/FileDropList.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace quill;
  const TLatin1CodePage codePage;
  const std::vector<std::string> names =
      ParseFileDropList(std::string_view(reinterpret_cast<const char*>(data), size), codePage);
  for (const std::string& name : names)
    fuzz::Require(!name.empty() && IsValidUtf8(name) && name.find('\0') == std::string::npos,
                  "a name is non-empty UTF-8 without nulls", name);
  fuzz::Require(ParseFileDropList(BuildFileDropList(names), codePage) == names, "our list reads back the same", "");
  return 0;
}

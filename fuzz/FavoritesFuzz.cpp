// favorite.dat over any bytes, then Add to Favorites with names and folders from the script:
// captions never hold "=" or a line break; a refused name or a failed write leaves the file as it
// was; an accepted one keeps every earlier favourite as it was read and adds one item with that
// caption, opening the folder unless an earlier line already named it (then that line's folder);
// and Shift+F1 .. F12 open the first twelve favourites' folders.
#include "base/TextFile.h"
#include "fuzz/FuzzInput.h"
#include "navigation/Favorites.h"
#include "tests/native/MemoryFileStore.h"

namespace quill::fuzz {
namespace {

const std::string kPath = "C:\\Quill\\favorite.dat";

void CheckItems(const std::vector<TFavorite>& favorites) {
  for (const TFavorite& f : favorites) {
    Require(f.name.find_first_of("=\r\n") == std::string::npos, "a caption holds no = or line break", f.name);
    Require(f.target.find_first_of("\r\n") == std::string::npos, "a folder holds no line break", f.target);
  }
  for (int key = 0; key <= 13; ++key) {
    const std::optional<std::string> folder = FavoriteForKey(favorites, key);
    if (key >= 1 && static_cast<size_t>(key) <= favorites.size())
      Require(folder == favorites[key - 1].target, "a function key opens its favourite");
    else
      Require(!folder, "a function key past the list opens nothing");
  }
}

void Check(TFuzzInput& input) {
  TMemoryFileStore store;
  const TLatin1CodePage codePage;
  const std::string bytes = input.File();
  store.files[kPath] = bytes;
  std::vector<TFavorite> favorites = LoadFavorites(store, codePage, kPath);
  Require(favorites.size() == DecodeLines(bytes, codePage).size(), "one favourite per line");
  CheckItems(favorites);

  FuzzedDataProvider& ops = input.Ops();
  for (int step = 0; step < 16 && ops.remaining_bytes() > 0; ++step) {
    // Text as the program holds it (UTF-8), line breaks and "=" left in to be refused.
    auto text = [&](size_t length) {
      std::string t = ops.ConsumeRandomLengthString(length);
      return IsValidUtf8(t) ? t : TLatin1CodePage().ToUtf8(t);
    };
    std::vector<std::string> captions;
    for (const TFavorite& f : favorites) captions.push_back(f.name);
    const std::string name = ops.ConsumeBool() && !captions.empty() ? Pick(ops, captions) : text(24);
    const std::string folder = text(64);
    const bool fail = ops.ConsumeIntegralInRange(0, 7) == 0;
    const auto filesBefore = store.files;
    const int writesBefore = store.writeCount;
    const std::vector<std::string> linesBefore =
        store.files.count(kPath) ? DecodeLines(store.files[kPath], codePage) : std::vector<std::string>{};
    store.failWrites = fail ? 39 : 0;
    const uint32_t error = AppendFavorite(store, codePage, kPath, name, folder);
    store.failWrites = 0;
    if (name.find_first_of("=\r\n") != std::string::npos || folder.find_first_of("\r\n") != std::string::npos) {
      Require(error == 123 && store.writeCount == writesBefore, "a name that would break the file is refused", name);
      Require(store.files == filesBefore, "a refused name leaves the file alone");
      continue;
    }
    if (fail) {
      Require(error == 39 && store.files == filesBefore, "a failed write leaves the file alone");
      continue;
    }
    Require(error == 0, "a favourite is added");
    const std::vector<TFavorite> now = LoadFavorites(store, codePage, kPath);
    Require(now.size() == favorites.size() + 1, "one more favourite", name);
    for (size_t i = 0; i < favorites.size(); ++i)
      Require(now[i] == favorites[i], "earlier favourites stay as they were", now[i].name);
    bool named = false;
    std::string earlier;
    for (const std::string& line : linesBefore) {
      const size_t eq = line.find('=');
      if (eq != std::string::npos && line.substr(0, eq) == now.back().name) {
        named = true;
        earlier = line.substr(eq + 1);
        break;
      }
    }
    Require(now.back().name == name, "the new favourite has its caption", name);
    Require(now.back().target == (named ? earlier : folder), "the new favourite opens its folder", folder);
    CheckItems(now);
    favorites = now;
  }
}

}  // namespace
}  // namespace quill::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  quill::fuzz::TFuzzInput input(data, size);
  quill::fuzz::Check(input);
  return 0;
}

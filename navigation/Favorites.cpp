#include "navigation/Favorites.h"

#include <unordered_map>

#include "base/Path.h"
#include "base/TextFile.h"

namespace quill {

namespace {

constexpr uint32_t kErrorInvalidName = 123;

bool HasLineBreak(std::string_view text) { return text.find_first_of("\r\n") != std::string_view::npos; }

}  // namespace

std::vector<TFavorite> ParseFavorites(const std::vector<std::string>& lines) {
  std::vector<TFavorite> favorites;
  favorites.reserve(lines.size());
  // Caption -> target of its first "name=" line; a later line with the same caption only
  // adds a menu item.
  std::unordered_map<std::string, std::string> firstTarget;
  for (const std::string& line : lines) {
    const size_t equals = line.find('=');
    if (equals == std::string::npos) {
      favorites.push_back({line, {}});
      continue;
    }
    std::string name = line.substr(0, equals);
    const std::string& target = firstTarget.try_emplace(name, line.substr(equals + 1)).first->second;
    favorites.push_back({std::move(name), target});
  }
  return favorites;
}

std::vector<TFavorite> LoadFavorites(IFileStore& store, const ICodePage& codePage, const std::string& path) {
  std::string bytes;
  if (!store.ReadAll(path, bytes)) return {};
  return ParseFavorites(DecodeLines(bytes, codePage));
}

uint32_t AppendFavorite(IFileStore& store, const ICodePage& codePage, const std::string& path, std::string_view name,
                        std::string_view folder) {
  if (name.find('=') != std::string_view::npos || HasLineBreak(name) || HasLineBreak(folder))
    return kErrorInvalidName;
  std::vector<std::string> lines;
  std::string bytes;
  if (store.ReadAll(path, bytes)) lines = DecodeLines(bytes, codePage);
  lines.push_back(std::string(name) + "=" + std::string(folder));
  return store.WriteAll(path, EncodeLines(lines, codePage));
}

std::string ProposedFavoriteName(std::string_view folder) { return LastComponent(folder); }

std::optional<std::string> FavoriteForKey(const std::vector<TFavorite>& favorites, int number) {
  if (number < 1 || static_cast<size_t>(number) > favorites.size()) return std::nullopt;
  return favorites[number - 1].target;
}

}  // namespace quill

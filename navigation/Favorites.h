// The favourites file "favorite.dat": one "display name=folder" line per favourite, in menu
// order. Read and written whole through IFileStore with the text-file encoding rule. Portable.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/CodePage.h"
#include "base/FileStore.h"

namespace quill {

struct TFavorite {
  std::string name;    // the menu caption
  std::string target;  // the folder it opens; empty opens nothing
  bool operator==(const TFavorite&) const = default;
};

// One item per line, in file order. The caption is the text before the first "=" (the whole
// line when there is none). The target is the value of the first line with that caption, so a
// name used twice opens the folder of its first line; a line without "=" has no target.
std::vector<TFavorite> ParseFavorites(const std::vector<std::string>& lines);

// The favourites of the file; none when it is missing or unreadable.
std::vector<TFavorite> LoadFavorites(IFileStore& store, const ICodePage& codePage, const std::string& path);

// Appends "name=folder" to the file (created when missing) and writes it back whole. Returns 0
// or a Win32 error code: 123 (invalid name) for a name holding "=" or a line break, or a folder
// holding a line break, since either would change other lines when the file is read again.
uint32_t AppendFavorite(IFileStore& store, const ICodePage& codePage, const std::string& path, std::string_view name,
                        std::string_view folder);

// The display name Add to Favorites proposes: the folder's last component; empty at a root.
std::string ProposedFavoriteName(std::string_view folder);

// The folder Shift+F1 .. Shift+F12 opens: favourite `number` (1-based); nothing when the list
// has no such favourite.
std::optional<std::string> FavoriteForKey(const std::vector<TFavorite>& favorites, int number);

}  // namespace quill

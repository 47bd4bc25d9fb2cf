// favorite.dat: parsing into menu items, appending, the proposed name and the Shift+F keys.
#include "navigation/Favorites.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "base/CodePage.h"
#include "tests/native/MemoryFileStore.h"

namespace quill {
namespace {

const std::string kFile = "C:\\Quill\\favorite.dat";
const std::string kBom = "\xEF\xBB\xBF";
const std::string kKorean = "\xED\x95\x9C\xEA\xB8\x80";  // two Hangul syllables

using Favorites = std::vector<TFavorite>;

TEST(FavoritesParseTest, LinesBecomeItemsInFileOrder) {
  EXPECT_EQ(ParseFavorites({"Work=C:\\Work", "Games=D:\\Games", "Root=C:\\"}),
            (Favorites{{"Work", "C:\\Work"}, {"Games", "D:\\Games"}, {"Root", "C:\\"}}));
  EXPECT_TRUE(ParseFavorites({}).empty());
}

TEST(FavoritesParseTest, ADuplicateNameOpensTheFolderOfItsFirstLine) {
  const Favorites items = ParseFavorites({"Docs=C:\\A", "Other=C:\\O", "Docs=C:\\B", "docs=C:\\C"});
  ASSERT_EQ(items.size(), 4u);
  EXPECT_EQ(items[0], (TFavorite{"Docs", "C:\\A"}));
  EXPECT_EQ(items[2], (TFavorite{"Docs", "C:\\A"}));
  // Captions are told apart exactly as they are shown.
  EXPECT_EQ(items[3], (TFavorite{"docs", "C:\\C"}));
}

TEST(FavoritesParseTest, OddLines) {
  const Favorites items = ParseFavorites({
      "No equals sign",          // caption only, opens nothing
      "=C:\\Nameless",           // empty caption
      "Query=C:\\a=b",           // the target keeps every "=" after the first
      "",                        // an empty line is an empty item
      "Empty target=",           //
      "No equals sign=C:\\Late"  // the caption-only line above does not take this target
  });
  EXPECT_EQ(items, (Favorites{{"No equals sign", ""},
                              {"", "C:\\Nameless"},
                              {"Query", "C:\\a=b"},
                              {"", ""},
                              {"Empty target", ""},
                              {"No equals sign", "C:\\Late"}}));
}

TEST(FavoritesFileTest, MissingFileGivesNoFavorites) {
  TMemoryFileStore store;
  EXPECT_TRUE(LoadFavorites(store, TLatin1CodePage(), kFile).empty());
}

TEST(FavoritesFileTest, EncodingsAndLineEnds) {
  TMemoryFileStore store;
  const TLatin1CodePage codePage;
  store.files[kFile] = kBom + kKorean + "=C:\\" + kKorean + "\r\nUnix=C:\\U\nMac=C:\\M\r";
  EXPECT_EQ(LoadFavorites(store, codePage, kFile),
            (Favorites{{kKorean, "C:\\" + kKorean}, {"Unix", "C:\\U"}, {"Mac", "C:\\M"}}));

  store.files[kFile] = "Caf\xE9=C:\\Caf\xE9\r\n";  // ANSI bytes
  EXPECT_EQ(LoadFavorites(store, codePage, kFile), (Favorites{{"Caf\xC3\xA9", "C:\\Caf\xC3\xA9"}}));
}

TEST(FavoritesFileTest, GarbageAndHugeLinesLoadWithoutHarm) {
  TMemoryFileStore store;
  const TLatin1CodePage codePage;
  std::mt19937 random(7);
  for (int round = 0; round < 50; ++round) {
    std::string bytes(static_cast<size_t>(random() % 4096), '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    store.files[kFile] = bytes;
    const Favorites items = LoadFavorites(store, codePage, kFile);
    for (const TFavorite& item : items) {
      EXPECT_EQ(item.name.find('='), std::string::npos);
      EXPECT_EQ(item.name.find_first_of("\r\n"), std::string::npos);
      EXPECT_EQ(item.target.find_first_of("\r\n"), std::string::npos);
    }
  }

  const std::string longPath = "C:\\" + std::string(100000, 'x');
  store.files[kFile] = "Long=" + longPath + "\r\n" + std::string(200000, '=') + "\r\n";
  const Favorites items = LoadFavorites(store, codePage, kFile);
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0].target, longPath);
  EXPECT_EQ(items[1].name, "");
  EXPECT_EQ(items[1].target.size(), 199999u);
}

TEST(FavoritesFileTest, AppendCreatesAndExtendsTheFile) {
  TMemoryFileStore store;
  const TLatin1CodePage codePage;
  EXPECT_EQ(AppendFavorite(store, codePage, kFile, "Work", "C:\\Work"), 0u);
  EXPECT_EQ(store.files[kFile], "Work=C:\\Work\r\n");

  store.files[kFile] = "Keep me\nDocs=C:\\Docs";  // kept, rewritten with CR LF
  EXPECT_EQ(AppendFavorite(store, codePage, kFile, "Docs", "D:\\Other"), 0u);
  EXPECT_EQ(store.files[kFile], "Keep me\r\nDocs=C:\\Docs\r\nDocs=D:\\Other\r\n");
  // The appended duplicate still opens the first Docs folder.
  EXPECT_EQ(LoadFavorites(store, codePage, kFile).back(), (TFavorite{"Docs", "C:\\Docs"}));

  EXPECT_EQ(AppendFavorite(store, codePage, kFile, kKorean, "C:\\" + kKorean), 0u);
  EXPECT_TRUE(store.files[kFile].starts_with(kBom));  // does not fit the code page
  EXPECT_EQ(LoadFavorites(store, codePage, kFile).back(), (TFavorite{kKorean, "C:\\" + kKorean}));
}

TEST(FavoritesFileTest, AppendRefusesWhatWouldBreakTheFile) {
  TMemoryFileStore store;
  const TLatin1CodePage codePage;
  store.files[kFile] = "A=C:\\A\r\n";
  EXPECT_EQ(AppendFavorite(store, codePage, kFile, "a=b", "C:\\X"), 123u);
  EXPECT_EQ(AppendFavorite(store, codePage, kFile, "two\r\nlines", "C:\\X"), 123u);
  EXPECT_EQ(AppendFavorite(store, codePage, kFile, "Name", "C:\\X\nB=C:\\Y"), 123u);
  EXPECT_EQ(store.writeCount, 0);

  store.failWrites = 5;
  EXPECT_EQ(AppendFavorite(store, codePage, kFile, "B", "C:\\B"), 5u);
  EXPECT_EQ(store.files[kFile], "A=C:\\A\r\n");
}

TEST(FavoritesRulesTest, ProposedNameIsTheLastComponent) {
  EXPECT_EQ(ProposedFavoriteName("C:\\Work\\Src"), "Src");
  EXPECT_EQ(ProposedFavoriteName("C:\\Work\\Src\\"), "Src");
  EXPECT_EQ(ProposedFavoriteName("C:\\Work"), "Work");
  EXPECT_EQ(ProposedFavoriteName("C:\\"), "");
  EXPECT_EQ(ProposedFavoriteName("\\\\server\\share"), "");
  EXPECT_EQ(ProposedFavoriteName("\\\\server\\share\\docs"), "docs");
}

TEST(FavoritesRulesTest, ShiftFunctionKeysOpenFavoritesByNumber) {
  Favorites twelve;
  for (int i = 1; i <= 12; ++i) twelve.push_back({"F" + std::to_string(i), "C:\\" + std::to_string(i)});
  EXPECT_EQ(FavoriteForKey(twelve, 1), "C:\\1");
  EXPECT_EQ(FavoriteForKey(twelve, 12), "C:\\12");
  EXPECT_EQ(FavoriteForKey(twelve, 0), std::nullopt);
  EXPECT_EQ(FavoriteForKey(twelve, 13), std::nullopt);

  const Favorites two = ParseFavorites({"A=C:\\A", "caption only"});
  EXPECT_EQ(FavoriteForKey(two, 2), "");
  EXPECT_EQ(FavoriteForKey(two, 3), std::nullopt);
  EXPECT_EQ(FavoriteForKey({}, 1), std::nullopt);
}

}  // namespace
}  // namespace quill

// The string table as linked into the program, read back through LoadText.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <string_view>

#include "platform/StringTable.h"

namespace quill {
namespace {

struct TExactText {
  unsigned id;
  const char* text;
};

// Texts whose bytes matter: non-ASCII, resource-compiler escapes, a doubled quote,
// a trailing blank, and ids in the same table block as others.
const TExactText kExactTexts[] = {
    {265, "\xEC\x9D\xB4\xEB\xAF\xB8 \xEA\xB0\x99\xEC\x9D\x80 \xEC\x9D\xB4\xEB\xA6\x84\xEC\x9D\xB4 "
          "\xEC\xA1\xB4\xEC\x9E\xAC\xED\x95\xA9\xEB\x8B\x88\xEB\x8B\xA4."},  // 이미 같은 이름이 존재합니다.
    {109, "Network"},
    {110, "[DIR]"},
    {111, "[DIR]"},
    {504, "&Open\tEnter"},
    {506, "&Root\t\\"},
    {509, "'%s'\n\nEmpty in order to erase description"},
    {512, "Error"},
    {536, "%d Items (%s bytes) "},
    {10202, "Unknown error in List() function\n"},
    {11035, "\nin drive: %s"},
    {30400, "\n\npassword"},
    {30401, "Confirm password"},
};

TEST(StringTable, LoadsTextsByteForByte) {
  for (const TExactText& expected : kExactTexts) EXPECT_EQ(LoadText(expected.id), expected.text) << expected.id;
}

TEST(StringTable, EscapesBecomeRealControlCharacters) {
  const std::string description = LoadText(509);
  EXPECT_NE(description.find('\n'), std::string::npos);
  EXPECT_EQ(description.find("\\n"), std::string::npos);
  const std::string open = LoadText(504);
  EXPECT_NE(open.find('\t'), std::string::npos);
  EXPECT_EQ(open.find("\\t"), std::string::npos);
}

TEST(StringTable, KeepsFormatSpecifiersForTheCallers) {
  EXPECT_NE(LoadText(267).find("%d"), std::string::npos);
  EXPECT_EQ(LoadText(11034), "Please insert disk volume %.1d of %.1d");
  EXPECT_EQ(LoadText(30104), "This is not a %s archive file");
}

TEST(StringTable, DoubledQuoteComesOutAsOneQuote) {
  const std::string volume = LoadText(525);  // asks for the disk holding the named volume
  EXPECT_TRUE(volume.starts_with("%s\n"));
  EXPECT_NE(volume.find("\"\xED\x99\x95\xEC\x9D\xB8\""), std::string::npos);  // "확인" in quotes
  EXPECT_EQ(volume.find("\"\""), std::string::npos);
}

TEST(StringTable, LongTextIsNotCut) {
  const std::string folder = LoadText(597);
  EXPECT_TRUE(folder.starts_with("If the files in the existing folder"));
  EXPECT_GT(folder.size(), 160u);
  EXPECT_TRUE(folder.ends_with("move or copy the folder?"));
}

TEST(StringTable, MissingIdsGiveEmptyText) {
  // 508 and 11024 sit in blocks that hold other texts; 60000 has no block at all.
  for (unsigned id : {508u, 11024u, 60000u}) EXPECT_EQ(LoadText(id), "") << id;
}

// The rest of what quill.rc links in: the manifest, the icon and the version block.
TEST(ProgramResources, ManifestBringsInCommonControlsSix) {
  HRSRC manifest = FindResourceW(nullptr, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
  ASSERT_NE(manifest, nullptr);
  const char* xml = static_cast<const char*>(LockResource(LoadResource(nullptr, manifest)));
  const std::string_view text(xml, SizeofResource(nullptr, manifest));
  for (const char* needle : {"Microsoft.Windows.Common-Controls", "asInvoker", "PerMonitorV2,PerMonitor", "true/pm"})
    EXPECT_NE(text.find(needle), std::string_view::npos) << needle;
  // Only an honoured manifest makes the loader take comctl32 from the side-by-side store.
  HMODULE comctl = LoadLibraryW(L"comctl32.dll");
  ASSERT_NE(comctl, nullptr);
  wchar_t path[MAX_PATH] = L"";
  GetModuleFileNameW(comctl, path, MAX_PATH);
  EXPECT_NE(std::wstring(path).find(L"common-controls_6595b64144ccf1df_6."), std::wstring::npos);
  FreeLibrary(comctl);
}

TEST(ProgramResources, IconLoadsAtTheShellSizes) {
  for (int size : {16, 32, 48}) {
    HANDLE icon = LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1), IMAGE_ICON, size, size, 0);
    EXPECT_NE(icon, nullptr) << size;
    if (icon) DestroyIcon(static_cast<HICON>(icon));
  }
}

TEST(ProgramResources, VersionBlockNamesQuill) {
  HRSRC version = FindResourceW(nullptr, MAKEINTRESOURCEW(VS_VERSION_INFO), MAKEINTRESOURCEW(16));
  ASSERT_NE(version, nullptr);
  const char* data = static_cast<const char*>(LockResource(LoadResource(nullptr, version)));
  const std::string_view block(data, SizeofResource(nullptr, version));
  // The fixed part starts with its signature on a 4-byte boundary.
  const DWORD signature = 0xFEEF04BD;
  size_t at = block.find(std::string_view(reinterpret_cast<const char*>(&signature), sizeof signature));
  ASSERT_NE(at, std::string_view::npos);
  VS_FIXEDFILEINFO fixed;
  ASSERT_LE(at + sizeof fixed, block.size());
  memcpy(&fixed, data + at, sizeof fixed);
  EXPECT_EQ(fixed.dwFileVersionMS, 0x00040000u);
  EXPECT_EQ(fixed.dwFileVersionLS, 0x00000001u);
  // String values are UTF-16 in the block.
  const std::wstring_view wide(reinterpret_cast<const wchar_t*>(data), block.size() / sizeof(wchar_t));
  for (const wchar_t* needle : {L"ProductName", L"Quill file manager", L"4.0.0.1"})
    EXPECT_NE(wide.find(needle), std::wstring_view::npos) << needle;
}

}  // namespace
}  // namespace quill

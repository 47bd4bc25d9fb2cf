// The colour file over any bytes, and the preferences dialog's round trip over it (values are
// any 32-bit integers, of which the pane draws the low 24 bits): reading the file into the
// dialog's form and writing the form back keeps every basic, tree and extension colour the pane
// showed; rows the
// script adds to the form come back with their colours (the first row naming an extension
// wins); and a second save changes nothing.
#include <algorithm>
#include <iterator>
#include <map>
#include <set>

#include "base/TextFile.h"
#include "fileview/ColorList.h"
#include "fuzz/FuzzInput.h"
#include "tests/native/MemoryFileStore.h"

namespace quill::fuzz {
namespace {

const std::string kPath = "C:\\Quill\\quill.col";

// Every name a line of the file gives (text before the first "=", trimmed), whatever section it
// is in: the names worth asking the lists about.
std::set<std::string> NamesIn(const std::string& bytes, const ICodePage& codePage) {
  std::set<std::string> names;
  for (const std::string& line : DecodeLines(bytes, codePage)) {
    const size_t eq = line.find('=');
    if (eq != std::string::npos) names.insert(Trim(std::string_view(line).substr(0, eq)));
  }
  return names;
}

void SameColors(const TColorList& a, const TColorList& b, const std::set<std::string>& names, const char* what) {
  for (int i = 0; i < kBasicColorCount; ++i) Require(a.Colors(i) == b.Colors(i), what, kBasicColorKeys[i].key);
  for (const TColorKey& key : kTreeColorKeys) Require(a.TreeColor(key.key) == b.TreeColor(key.key), what, key.key);
  for (const std::string& name : names) {
    if (name.find(';') != std::string::npos) continue;  // such names cannot be listed in a row
    Require(a.ExtColor(name) == b.ExtColor(name), what, name);
    Require(a.BasicColor(name, 0x1000000) == b.BasicColor(name, 0x1000000), what, name);
  }
}

void Check(TFuzzInput& input) {
  TMemoryFileStore store;
  const TLatin1CodePage codePage;
  const std::string bytes = input.File();
  store.files[kPath] = bytes;
  const TColorList before(store, codePage, kPath);
  std::set<std::string> names = NamesIn(bytes, codePage);

  bool found = false;
  TColorSetForm form = ReadColorSetForm(store, codePage, kPath, &found);
  Require(found, "the form reads a file that is there");
  Require(WriteColorSet(store, codePage, kPath, form) == 0, "the form is written");
  const TColorList after(store, codePage, kPath);
  SameColors(before, after, names, "the dialog's round trip keeps the colours");

  // Rows as the dialog's user types them, after the file's own.
  FuzzedDataProvider& ops = input.Ops();
  std::map<std::string, TColor> expected;  // upper-cased extension -> the colour its first row gives
  for (const std::string& row : form.extRows) {
    TColor color = 0;
    const size_t eq = row.find('=');
    Require(eq != std::string::npos && ParseColor(row.substr(0, eq), color), "the form's rows have colours", row);
    for (const std::string& part : Split(row.substr(eq + 1), ';')) expected.try_emplace(UpperAscii(Trim(part)), color);
  }
  while (ops.remaining_bytes() > 0 && form.extRows.size() < 64) {
    std::string value = ops.ConsumeBool() ? std::to_string(ops.ConsumeIntegralInRange<uint32_t>(0, 0x1000000))
                                          : OneLineText(ops.ConsumeRandomLengthString(12));
    std::erase(value, '=');  // the value is the text before the row's first "="
    // An extension named like a basic key would stand for that key when [Basic] lacks it (the
    // pane takes a name's first line anywhere), so the script's rows leave such names out.
    std::string exts;
    for (const std::string& part : Split(OneLineText(ops.ConsumeRandomLengthString(48)), ';')) {
      const std::string key = UpperAscii(Trim(part));
      const auto isKey = [&](const TColorKey& k) { return key == k.key; };
      if (std::any_of(std::begin(kBasicColorKeys), std::end(kBasicColorKeys), isKey) ||
          std::any_of(std::begin(kTreeColorKeys), std::end(kTreeColorKeys), isKey))
        continue;
      if (!exts.empty()) exts += ';';
      exts += part;
    }
    form.extRows.push_back(value + "=" + exts);
    TColor color = 0;
    if (!ParseColor(value, color)) continue;
    for (const std::string& part : Split(exts, ';')) {
      const std::string ext = Trim(part);
      if (ext.empty() || ext.find('=') != std::string::npos) continue;
      expected.try_emplace(UpperAscii(ext), color);
      names.insert(ext);
    }
  }
  Require(WriteColorSet(store, codePage, kPath, form) == 0, "the edited form is written");
  const std::string saved = store.files[kPath];
  const TColorList edited(store, codePage, kPath);
  for (const auto& [ext, color] : expected)
    if (!ext.empty()) Require(edited.ExtColor(ext) == color, "an extension gets its first row's colour", ext);
  for (int i = 0; i < kBasicColorCount; ++i) Require(edited.Colors(i) == before.Colors(i), "basic lines stay as they were");

  Require(WriteColorSet(store, codePage, kPath, ReadColorSetForm(store, codePage, kPath)) == 0, "the file is written again");
  Require(store.files[kPath] == saved, "a second save changes nothing", saved);
  SameColors(edited, TColorList(store, codePage, kPath), names, "a second save keeps the colours");
}

}  // namespace
}  // namespace quill::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  quill::fuzz::TFuzzInput input(data, size);
  quill::fuzz::Check(input);
  return 0;
}

// descript.dat over any bytes, through the pane model over an in-memory volume: loading gives
// every listed entry the text of the first line naming it (names compared as the file system
// does); after the script edits descriptions and saves, a fresh pane reads back exactly what was
// saved, lines of unlisted files that still exist keep their text, no line names a file that is
// gone or an entry twice, and a failed write leaves the file alone. Descriptions carried into
// another folder's descript.dat (as copy and move do) replace that folder's lines for the same
// names and keep the rest.
#include <map>
#include <optional>

#include "base/TextFile.h"
#include "fileview/QuillView.h"
#include "fuzz/FuzzInput.h"
#include "tests/native/FakeVolume.h"

namespace quill::fuzz {
namespace {

using test::TFakeVolume;

const char* const kWork = "C:\\Work";
const char* const kOther = "C:\\Other";
const TAsciiCollator& kNames = TAsciiCollator::Instance();
const TLatin1CodePage kCodePage;

// A name the script may add to the folder: one a Windows folder can hold, other than the
// description file itself, without "=" (which the file format cannot hold in a name).
bool UsableName(const std::string& name) {
  if (name.empty() || name == "." || name == ".." || kNames.SameName(name, "descript.dat")) return false;
  for (unsigned char c : name)
    if (c < 0x20 || std::string_view("\\/:*?\"<>|=").find(static_cast<char>(c)) != std::string_view::npos) return false;
  return true;
}

void MakeFolder(TFakeVolume& fs, const std::string& folder, const std::vector<std::string>& extraNames) {
  fs.MakeFolder(folder);
  fs.MakeFolder(folder + "\\Src");
  for (const char* name : {"a.txt", "B.TXT", "README", "Caf\xC3\xA9.doc", "\xD0\xA4\xD0\xB0\xD0\xB9\xD0\xBB.txt",
                           "long name with spaces.txt", "trailing dot."})
    fs.MakeFile(folder + "\\" + name);
  fs.MakeFile(folder + "\\secret.txt", 1, faArchive | faHidden);
  for (const std::string& name : extraNames) fs.MakeFile(folder + "\\" + name);
}

// The text of the first line naming `name`, if any: the reading rule, worked out line by line.
std::optional<std::string> FirstLineFor(const std::vector<std::string>& lines, const std::string& name) {
  for (const std::string& line : lines) {
    const size_t eq = line.find('=');
    if (eq != std::string::npos && kNames.SameName(std::string_view(line).substr(0, eq), name)) return line.substr(eq + 1);
  }
  return std::nullopt;
}

std::vector<std::string> FileLines(TFakeVolume& fs, const std::string& folder) {
  std::string bytes;
  if (!fs.ReadAll(folder + "\\descript.dat", bytes)) return {};
  return DecodeLines(bytes, kCodePage);
}

// Every entry of a fresh pane on `folder` (hidden ones too when asked), name -> description.
std::map<std::string, std::string> Reread(TFakeVolume& fs, const std::string& folder, bool hidden) {
  TQuillView view(fs, kCodePage);
  view.SetViewHidden(hidden);
  view.SetFolder(folder);
  Require(view.Folder() == folder, "the folder opens");
  std::map<std::string, std::string> found;
  for (int i = 0; i < view.Files().Count(); ++i) {
    const TFile* f = view.Files().Items(i);
    if (!f->IsDrive()) found[f->FullName()] = f->Description();
  }
  return found;
}

void Check(TFuzzInput& input) {
  FuzzedDataProvider& ops = input.Ops();
  std::vector<std::string> extraNames;
  for (int i = ops.ConsumeIntegralInRange(0, 3); i > 0; --i) {
    std::string name = OneLineText(ops.ConsumeRandomLengthString(16));
    bool clash = !UsableName(name);
    for (const std::string& other : extraNames) clash = clash || kNames.SameName(other, name);
    if (!clash) extraNames.push_back(name);
  }
  TFakeVolume fs;
  MakeFolder(fs, kWork, extraNames);
  MakeFolder(fs, kOther, extraNames);
  fs.MakeFile(std::string(kOther) + "\\only here.txt");
  const std::string bytes = input.File();
  const std::vector<std::string> lines = DecodeLines(bytes, kCodePage);
  fs.WriteText(std::string(kWork) + "\\descript.dat", bytes, faArchive | faHidden);
  fs.WriteText(std::string(kOther) + "\\descript.dat", bytes, faArchive | faHidden);

  TQuillView view(fs, kCodePage);
  view.SetFolder(kWork);
  Require(view.Folder() == kWork, "the folder opens");
  TFiles& files = view.Files();
  bool anyNamed = false;
  std::vector<TFile*> entries;
  for (int i = 0; i < files.Count(); ++i) {
    TFile* f = files.Items(i);
    if (f->IsDrive()) continue;
    entries.push_back(f);
    const std::optional<std::string> text = FirstLineFor(lines, f->FullName());
    anyNamed = anyNamed || text.has_value();
    Require(f->Description() == text.value_or(""), "an entry gets the first line naming it", f->FullName());
  }
  Require(view.HasDescriptions() == anyNamed, "HasDescriptions says whether a line named an entry");

  // Edits as Add/Modify Description and Delete make them, then a save that may fail first.
  while (ops.remaining_bytes() > 0 && !entries.empty() && ops.ConsumeIntegralInRange(0, 7) != 0) {
    TFile* f = entries[ops.ConsumeIntegralInRange<size_t>(0, entries.size() - 1)];
    f->SetDescription(ops.ConsumeBool() ? std::string() : OneLineText(ops.ConsumeRandomLengthString(40)));
  }
  const std::string path = std::string(kWork) + "\\descript.dat";
  if (ops.ConsumeIntegralInRange(0, 7) == 0) {
    const std::string before = fs.Has(path) ? fs.Node(path).bytes : "(none)";
    fs.failWrites = 39;
    const uint32_t error = view.SaveDescript();  // removing the file needs no write, and may succeed
    fs.failWrites = 0;
    if (error != 0) {
      Require(error == 39, "a failed write reports the error");
      Require((fs.Has(path) ? fs.Node(path).bytes : "(none)") == before, "a failed write leaves the file alone");
    }
  }
  Require(view.SaveDescript() == 0, "descriptions are saved");

  std::map<std::string, std::string> saved;
  bool anyText = false;
  for (const TFile* f : entries) {
    saved[f->FullName()] = f->Description();
    anyText = anyText || !f->Description().empty();
  }
  Require(Reread(fs, kWork, false) == saved, "a fresh pane reads back what was saved");
  for (const auto& [name, text] : Reread(fs, kWork, true)) {
    if (saved.count(name)) continue;  // listed before: checked above
    Require(text == FirstLineFor(lines, name).value_or(""), "an unlisted file keeps its line", name);
  }
  const std::vector<std::string> written = FileLines(fs, kWork);
  if (anyText) Require(fs.Has(path), "descriptions are kept in the file");
  Require(!fs.Has(path) || !written.empty(), "no empty description file is left");
  std::vector<std::string> named;
  for (const std::string& line : written) {
    const std::string name = line.substr(0, line.find('='));
    // The volume does not resolve "..", which the system would find; the pane lists it. A file
    // name ending in a dot has a FullName without it (an empty extension adds no dot).
    const std::string file = std::string(kWork) + "\\" + name;
    if (name != "..")
      Require(fs.GetAttributes(file) != kInvalidAttributes || fs.GetAttributes(file + ".") != kInvalidAttributes,
              "no line names a file that is gone", name);
    for (const std::string& other : named) Require(!kNames.SameName(other, name), "no entry is named twice", name);
    named.push_back(name);
  }

  // Descriptions carried into the other folder, which holds the same names.
  std::vector<std::string> carried;
  std::map<std::string, std::string> expected;  // the other folder's descriptions afterwards, by entry
  for (const auto& [name, text] : Reread(fs, kOther, true))
    if (name != "descript.dat") expected[name] = text;
  for (const TFile* f : entries) {
    if (f->Description().empty() || !ops.ConsumeBool()) continue;
    carried.push_back(f->FullName() + "=" + f->Description());
    expected[f->FullName()] = f->Description();
  }
  Require(view.AppendDescript(kOther, carried) == 0, "descriptions are carried");
  std::map<std::string, std::string> after = Reread(fs, kOther, true);
  after.erase("descript.dat");
  Require(after == expected, "the other folder has the carried texts and keeps its own");
}

}  // namespace
}  // namespace quill::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  quill::fuzz::TFuzzInput input(data, size);
  quill::fuzz::Check(input);
  return 0;
}

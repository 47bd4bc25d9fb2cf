// A tree cache file over any bytes, loaded as the tree window loads it, then edited by a script
// of the list's operations: the list stays consistent (links, levels, numbering, counts, sorted
// chains as loaded), its walks agree with plain pre-order, every item is found by its own path,
// and what is saved reads back to the same lines.
#include "base/Path.h"
#include "fuzz/FuzzInput.h"
#include "tree/TreeCache.h"

namespace quill::fuzz {
namespace {

// The one cache file on a fixed drive: all the reader and writer need of a file system, kept
// small so that runs are spent in the code under test.
class TCacheVolume : public IFileSystem {
public:
  bool ReadAll(const std::string& path, std::string& bytes) override {
    if (path != name) return false;
    bytes = file;
    return true;
  }
  uint32_t WriteAll(const std::string& path, std::string_view bytes) override {
    if (path != name) return 3;
    file.assign(bytes);
    return 0;
  }
  bool Enumerate(const std::string&, const std::function<void(const TFindData&)>&) override { return false; }
  bool SetCurrentDir(const std::string&) override { return false; }
  std::string CurrentDir() override { return "C:\\"; }
  uint32_t GetAttributes(const std::string& path) override { return path == name ? faArchive : kInvalidAttributes; }
  bool SetAttributes(const std::string&, uint32_t) override { return false; }
  uint32_t RemoveFile(const std::string&) override { return 5; }
  uint32_t LogicalDrives() override { return 4; }
  uint32_t DriveType(const std::string&) override { return kDriveFixed; }
  bool VolumeLabel(const std::string&, std::string&) override { return true; }
  bool ShellOpen(const std::string&) override { return false; }

  std::string name, file;
};

const TLatin1CodePage kCodePage;
const std::string kCache = "C:\\Quill\\tree.xcd";

void PreOrder(TTreeItem* item, std::vector<TTreeItem*>& out) {
  // Without recursion: a script can nest folders as deep as it likes.
  for (TTreeItem* p = item; p;) {
    out.push_back(p);
    if (p->FirstChild) {
      p = p->FirstChild;
      continue;
    }
    while (p && !p->NextSibling) p = p->Parent;
    if (p) p = p->NextSibling;
  }
}

std::vector<TTreeItem*> CheckConsistent(const TTreeItems& items, bool sorted, bool walks = true) {
  std::vector<TTreeItem*> all;
  if (items.Root) {
    Require(!items.Root->Parent && !items.Root->NextSibling, "the root stands alone");
    PreOrder(items.Root, all);
  }
  Require(items.Count == static_cast<int>(all.size()), "Count is the number of linked items");
  Require(items.Last == (all.empty() ? nullptr : all.back()), "Last is the last item in pre-order");
  for (size_t i = 0; i < all.size(); ++i) {
    TTreeItem* item = all[i];
    Require(item->Index == static_cast<int>(i), "Index is the pre-order position", item->Name);
    if (walks) {
      Require(items.GetNext(item) == (i + 1 < all.size() ? all[i + 1] : nullptr), "GetNext is pre-order");
      // Stepping back runs along a sibling chain: on long lists a sample keeps runs quick.
      if (all.size() <= 256 || i % (all.size() / 128) == 0)
        Require(i == 0 || items.GetPrev(item) == all[i - 1], "GetPrev is pre-order backwards");
    }
    TTreeItem* last = nullptr;
    for (TTreeItem* c = item->FirstChild; c; c = c->NextSibling) {
      Require(c->Parent == item && c->Level == item->Level + 1, "children know their parent and level");
      if (sorted && last) Require(items.Collator().Compare(last->Name, c->Name) <= 0, "siblings sorted", c->Name);
      last = c;
    }
    Require(item->LastChild() == last, "the chain's end is known");
  }
  if (!walks) return all;
  // The visible walks agree with filtering the pre-order.
  std::vector<TTreeItem*> visible;
  for (TTreeItem* item : all)
    if (item->IsVisible()) visible.push_back(item);
  TTreeItem* walk = items.Root;
  for (size_t i = 0; i < visible.size(); ++i, walk = items.GetNextVisible(walk)) {
    Require(walk == visible[i], "GetNextVisible visits the visible items in order");
    if (visible.size() <= 256 || i % (visible.size() / 128) == 0)
      Require(items.GetPrevVisible(walk) == (i ? visible[i - 1] : nullptr), "GetPrevVisible steps back");
  }
  Require(walk == nullptr, "GetNextVisible ends after the last visible item");
  return all;
}

std::vector<std::string> Saved(const TTreeItems& items) {
  std::vector<std::string> lines;
  items.SaveToStrings(lines);
  return lines;
}

// Writes the list and reads it back. A list as loaded (sorted, one child per name) comes back
// line for line; after renames the reread list is sorted again and may merge equal names, but
// from then on the lines are fixed.
void CheckRoundTrip(TTreeItems& items, TCacheVolume& fs, bool asLoaded) {
  const auto lines = Saved(items);
  for (const std::string& line : lines) {
    int64_t level = -1;
    Require(line.size() > 3 && ParseInt(line.substr(1, 2), level) && level >= 0 && level <= kMaxTreeLevel,
            "every written line has a level that reads back", line);
  }
  Require(items.SaveToFile(fs, kCodePage, kCache) == 0, "the cache is written");
  TTreeItems back;
  const bool loaded = back.LoadFromFile(fs, kCodePage, kCache);
  Require(loaded == !lines.empty(), "a written tree reads back");
  CheckConsistent(back, true);
  const auto reread = Saved(back);
  if (asLoaded) {
    Require(reread == lines, "what was written reads back to the same lines");
    return;
  }
  Require(reread.size() <= lines.size(), "a reread list has no more folders than were written");
  TTreeItems again;
  Require(again.LoadFromStrings(reread) == !reread.empty(), "reread lines load");
  Require(Saved(again) == reread, "a reread list writes back the same lines");
}

// FindItem splits paths at separators after the drive, so a name holding one (or an empty
// name), or a root renamed to something other than a drive, gives no path of its own.
bool HasOwnPath(const TTreeItem* item) {
  const std::string path = item->GetPath();
  for (; item && item->Parent; item = item->Parent)
    if (item->Name.empty() || item->Name.find('\\') != std::string::npos) return false;
  return item && !item->Name.empty() && DrivePart(path) == item->Name;
}

void Check(TFuzzInput& input) {
  TCacheVolume fs;
  fs.name = kCache;
  fs.file = input.File();
  TTreeItems items;
  std::string message;
  items.OnMessage = [&](const std::string& text) { message = text; };
  const bool loaded = LoadTreeCache(items, fs, kCodePage, kCache, "C:");
  Require(loaded == (items.Root != nullptr), "a load succeeds exactly when a root exists");
  Require(loaded || items.Count == 0, "a failed load leaves nothing");
  Require(message.empty() || !loaded, "a reported failure is a failure");
  auto all = CheckConsistent(items, true);
  if (!loaded) return;
  Require(items.Collator().Compare(items.Root->Name, "C:") == 0, "the root names the drive loaded for", items.Root->Name);

  bool renamed = false;
  FuzzedDataProvider& ops = input.Ops();
  for (int step = 0; step < 24 && ops.remaining_bytes() > 0 && !all.empty(); ++step) {
    auto pick = [&] { return all[ops.ConsumeIntegralInRange<size_t>(0, all.size() - 1)]; };
    switch (ops.ConsumeIntegralInRange(0, 8)) {
      case 0: {
        TTreeItem* parent = pick();
        const std::string name = OneLineText(ops.ConsumeRandomLengthString(12));
        const bool present = items.FindChild(parent, name) != nullptr;
        Require((items.Add(parent, name) == nullptr) == present, "Add refuses exactly the names present", name);
        break;
      }
      case 1:
        items.Delete(pick());
        break;
      case 2:
        pick()->Collapse(ops.ConsumeBool());
        break;
      case 3:
        pick()->Expand(ops.ConsumeBool());
        break;
      case 4:
        pick()->ExpandParents();
        break;
      case 5: {
        TTreeItem* dest = pick();
        TTreeItem* source = pick();
        items.CopyItem(dest, source);
        break;
      }
      case 6:
        pick()->SetExpanded(ops.ConsumeBool());
        break;
      case 7: {
        TTreeItem* item = pick();
        if (item == items.Root || !HasOwnPath(item)) break;
        TTreeItem* found = items.FindItem(item->GetPath());
        Require(found && items.Collator().Compare(found->GetPath(), item->GetPath()) == 0,
                "an item's own path finds it (or its equal)", item->GetPath());
        break;
      }
      case 8:
        pick()->SetName(OneLineText(ops.ConsumeRandomLengthString(12)));
        renamed = true;
        break;
    }
    // A renamed item may leave its chain out of order until the next load.
    // The list is checked in full once the script is done; between steps only while small.
    if (all.size() <= 64) {
      all = CheckConsistent(items, !renamed, false);
    } else {
      all.clear();
      if (items.Root) PreOrder(items.Root, all);
    }
  }
  CheckConsistent(items, !renamed);
  CheckRoundTrip(items, fs, !renamed);
}

}  // namespace
}  // namespace quill::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  quill::fuzz::TFuzzInput input(data, size);
  quill::fuzz::Check(input);
  return 0;
}

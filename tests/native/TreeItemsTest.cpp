#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "tree/TreeItems.h"

namespace quill {
namespace {

// "C:(A(B),C)": names with their children, read through the links only.
std::string Shape(const TTreeItem* item) {
  if (!item) return "-";
  std::string text = item->Name;
  if (!item->FirstChild) return text;
  text += "(";
  for (const TTreeItem* c = item->FirstChild; c; c = c->NextSibling) {
    if (c != item->FirstChild) text += ",";
    text += Shape(c);
  }
  return text + ")";
}

// Pre-order through the links alone, the reference for the list's own walks.
void Collect(TTreeItem* item, std::vector<TTreeItem*>& out) {
  for (; item; item = item->NextSibling) {
    out.push_back(item);
    Collect(item->FirstChild, out);
  }
}
std::vector<TTreeItem*> PreOrder(const TTreeItems& items) {
  std::vector<TTreeItem*> out;
  Collect(items.Root, out);
  return out;
}

// Numbering, levels, parents, chain ends and Count/Last agree with the links.
void ExpectConsistent(const TTreeItems& items) {
  const auto all = PreOrder(items);
  ASSERT_EQ(items.Count, static_cast<int>(all.size()));
  if (all.empty()) return;
  EXPECT_EQ(items.Last, all.back());
  for (size_t i = 0; i < all.size(); ++i) {
    TTreeItem* item = all[i];
    EXPECT_EQ(item->Index, static_cast<int>(i)) << item->Name;
    EXPECT_EQ(item->Owner, &items);
    if (item->Parent) {
      EXPECT_EQ(item->Level, item->Parent->Level + 1) << item->Name;
    }
    TTreeItem* last = item->FirstChild;
    while (last && last->NextSibling) last = last->NextSibling;
    EXPECT_EQ(item->LastChild(), last) << item->Name;
    for (TTreeItem* c = item->FirstChild; c; c = c->NextSibling) EXPECT_EQ(c->Parent, item);
  }
}

class TFakeTreeView : public ITreeItemsView {
public:
  TTreeItem* Focused() const override { return focused; }
  void SetFocused(TTreeItem* item) override {
    focused = item;
    ++moves;
  }
  TTreeItem* focused = nullptr;
  int moves = 0;
};

TEST(TreeItemsTest, AddKeepsSiblingsSortedAndRefusesEqualNames) {
  TTreeItems items;
  int changes = 0;
  items.OnChange = [&](TTreeItems* sender) {
    EXPECT_EQ(sender, &items);
    ++changes;
  };
  TTreeItem* root = items.AddRoot("C:");
  ASSERT_TRUE(root);
  EXPECT_EQ(items.AddRoot("D:"), nullptr);
  TTreeItem* windows = items.Add(root, "Windows");
  ASSERT_TRUE(windows);
  EXPECT_TRUE(windows->Expanded);
  EXPECT_EQ(windows->Level, 1);
  EXPECT_EQ(items.Add(root, "windows"), nullptr);
  EXPECT_EQ(items.Count, 2);
  for (const char* name : {"b", "A", "c"}) ASSERT_TRUE(items.Add(windows, name));
  EXPECT_EQ(Shape(root), "C:(Windows(A,b,c))");
  EXPECT_EQ(items.Add(nullptr, "x"), nullptr);
  // One change per addition outside a bracket, each renumbering.
  EXPECT_EQ(changes, 5);
  ExpectConsistent(items);
  EXPECT_EQ(items.Last->Name, "c");

  // A second root is never linked: InsertSorted hands it back untouched.
  TTreeItem loose;
  loose.Name = "E:";
  EXPECT_EQ(items.InsertSorted(root, &loose), &loose);
  EXPECT_EQ(loose.Parent, nullptr);
  EXPECT_EQ(items.Count, 5);
  // An equal name placed by InsertSorted goes before the one present.
  auto* twin = new TTreeItem(&items);
  twin->Name = "B";
  items.InsertSorted(windows->FirstChild, twin);
  EXPECT_EQ(Shape(root), "C:(Windows(A,B,b,c))");
  EXPECT_EQ(twin->Level, 2);
  ExpectConsistent(items);
}

TEST(TreeItemsTest, PathForms) {
  TTreeItems items;
  TTreeItem* root = items.AddRoot("C:");
  TTreeItem* temp = items.Add(root, "Temp");
  TTreeItem* deep = items.Add(items.Add(root, "Windows"), "System");
  EXPECT_EQ(root->GetPath(), "C:\\");
  EXPECT_EQ(temp->GetPath(), "C:\\Temp");
  EXPECT_EQ(deep->GetPath(), "C:\\Windows\\System");
  root->SetName("\\\\srv\\share");
  EXPECT_EQ(root->GetPath(), "\\\\srv\\share\\");
  EXPECT_EQ(deep->GetPath(), "\\\\srv\\share\\Windows\\System");
  root->SetName("/mnt");
  EXPECT_EQ(root->GetPath(), "/mnt\\");
  root->SetName("plain");
  EXPECT_EQ(root->GetPath(), "");
  root->SetName("");
  EXPECT_EQ(root->GetPath(), "");
  EXPECT_EQ(temp->GetPath(), "\\Temp");
}

TEST(TreeItemsTest, DeleteMovesTheViewsFocusAndFreesTheSubtree) {
  TFakeTreeView view;
  TTreeItems items(&view);
  TTreeItem* root = items.AddRoot("C:");
  TTreeItem* a = items.Add(root, "A");
  TTreeItem* b = items.Add(root, "B");
  TTreeItem* c = items.Add(root, "C");
  TTreeItem* b1 = items.Add(b, "B1");
  items.Add(b1, "B11");
  int changes = 0;
  items.OnChange = [&](TTreeItems*) { ++changes; };

  view.focused = b;
  items.Delete(b);  // focus to the next sibling
  EXPECT_EQ(view.focused, c);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(Shape(root), "C:(A,C)");
  ExpectConsistent(items);

  view.focused = c;
  items.Delete(c);  // the last child: focus to its parent
  EXPECT_EQ(view.focused, root);
  EXPECT_EQ(root->LastChild(), a);

  TTreeItem* a1 = items.Add(a, "A1");
  TTreeItem* a2 = items.Add(a1, "A2");
  view.focused = a2;
  view.moves = 0;
  items.Delete(a1);  // a focus inside the subtree is not left dangling
  EXPECT_EQ(view.focused, a);
  view.focused = root;
  items.Delete(a);
  EXPECT_EQ(view.moves, 1);  // the focus elsewhere does not move
  EXPECT_EQ(items.Count, 1);
  items.Delete(nullptr);
  items.Delete(root);
  EXPECT_EQ(items.Root, nullptr);
  EXPECT_EQ(items.Count, 0);
}

TEST(TreeItemsTest, LoadingLevelSequences) {
  TTreeItems items;
  std::vector<std::string> messages;
  items.OnMessage = [&](const std::string& text) { messages.push_back(text); };
  int changes = 0;
  items.OnChange = [&](TTreeItems*) { ++changes; };

  ASSERT_TRUE(items.LoadFromStrings({"1 0C:", "1 1A", "1 2B", "1 1C"}));
  EXPECT_EQ(Shape(items.Root), "C:(A(B),C)");
  EXPECT_EQ(changes, 1);  // one renumbering for the whole load
  ExpectConsistent(items);

  // Level 1 after level 3 joins the root's children; a jump of more than one nests one deeper.
  ASSERT_TRUE(items.LoadFromStrings({"1 0C:", "1 1A", "1 2B", "1 3D", "1 1E", "1 5F", "0 6G", "1 4H"}));
  EXPECT_EQ(Shape(items.Root), "C:(A(B(D)),E(F(G)),H)");
  EXPECT_EQ(items.FindItem("C:\\E\\F\\G")->Level, 3);
  EXPECT_FALSE(items.FindItem("C:\\E\\F\\G")->Expanded);
  ExpectConsistent(items);

  // Out-of-order lines, short lines and blanks before the level are taken as the format allows.
  ASSERT_TRUE(items.LoadFromStrings({"", "1 0", "1 0C:", "1 1b", "abc", "1 1A", "1 1c", "102x"}));
  EXPECT_EQ(Shape(items.Root), "C:(A,b,c(x))");
  ExpectConsistent(items);

  // A repeated name is the same folder: what nests below either copy ends up below the one.
  ASSERT_TRUE(items.LoadFromStrings({"1 0C:", "1 1A", "1 2X", "1 1b", "0 1a", "1 2Y", "1 2x", "1 3Z"}));
  EXPECT_EQ(Shape(items.Root), "C:(A(X(Z),Y),b)");
  EXPECT_TRUE(items.Root->FirstChild->Expanded);
  ExpectConsistent(items);

  // A second line at the root's level is dropped with everything below it.
  ASSERT_TRUE(items.LoadFromStrings({"1 0C:", "1 1A", "1 0D:", "1 1X", "1 2Y", "1 0E:", "1 1Z"}));
  EXPECT_EQ(Shape(items.Root), "C:(A)");
  EXPECT_EQ(items.Count, 2);
  EXPECT_TRUE(messages.empty());

  // Falling below the root is damage: the message, and nothing left.
  EXPECT_FALSE(items.LoadFromStrings({"1 0C:", "1 1A", "1 3B", "1-1C"}));
  EXPECT_EQ(items.Root, nullptr);
  EXPECT_EQ(items.Last, nullptr);
  EXPECT_EQ(items.Count, 0);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], "Invalid Format");
  EXPECT_EQ(items.LoadError(), "Invalid Format");

  EXPECT_FALSE(items.LoadFromStrings({"1 0C:", "1 xA"}));
  EXPECT_EQ(items.LoadError(), "' x' is not a valid integer value");
  EXPECT_FALSE(items.LoadFromStrings({"1 0C:", "x 1A"}));
  EXPECT_EQ(items.LoadError(), "'x' is not a valid integer value");
  EXPECT_EQ(messages.size(), 3u);
  EXPECT_EQ(items.Count, 0);

  // Nothing but short lines: no root, no message.
  EXPECT_FALSE(items.LoadFromStrings({"1 0", "", "abc"}));
  EXPECT_EQ(messages.size(), 3u);
  EXPECT_EQ(items.LoadError(), "");
  // A root line with any level becomes a level-0 root; the rest nests relative to it.
  ASSERT_TRUE(items.LoadFromStrings({"1 7C:", "1 8A", "1 7B:"}));
  EXPECT_EQ(Shape(items.Root), "C:(A)");
  EXPECT_EQ(items.Root->Level, 0);
}

TEST(TreeItemsTest, CopyChildrenStopsAtANamePresent) {
  TTreeItems source;
  ASSERT_TRUE(source.LoadFromStrings({"1 0D:", "1 1Src", "1 2A", "1 3A1", "1 2B", "1 3B1", "1 2C"}));
  TTreeItems dest;
  TTreeItem* root = dest.AddRoot("C:");
  TTreeItem* target = dest.Add(root, "Target");
  dest.Add(target, "b");
  int changes = 0;
  dest.OnChange = [&](TTreeItems*) { ++changes; };
  dest.CopyChildren(target, source.FindItem("D:\\Src")->FirstChild);
  EXPECT_EQ(Shape(root), "C:(Target(A(A1),b))");
  EXPECT_EQ(changes, 1);
  ExpectConsistent(dest);

  // CopyItem: the folder with its subtree; nothing when the name is present.
  TTreeItem* copy = dest.CopyItem(root, source.FindItem("D:\\Src"));
  ASSERT_TRUE(copy);
  EXPECT_EQ(Shape(copy), "Src(A(A1),B(B1),C)");
  EXPECT_EQ(dest.CopyItem(root, source.FindItem("D:\\Src")), nullptr);
  // Within one list; never into its own subtree.
  EXPECT_EQ(dest.CopyItem(dest.FindItem("C:\\Src\\B"), copy), nullptr);
  dest.CopyChildren(dest.FindItem("C:\\Src\\A\\A1"), copy);
  ASSERT_TRUE(dest.CopyItem(dest.FindItem("C:\\Target\\b"), dest.FindItem("C:\\Src\\B")));
  EXPECT_EQ(Shape(root), "C:(Src(A(A1),B(B1),C),Target(A(A1),b(B(B1))))");
  ExpectConsistent(dest);
}

TEST(TreeItemsTest, CollapsedFoldersHideTheirSubtrees) {
  TTreeItems items;
  ASSERT_TRUE(items.LoadFromStrings({"1 0C:", "1 1A", "0 2B", "1 3B1", "1 2C", "1 1D"}));
  TTreeItem* a = items.FindItem("C:\\A");
  TTreeItem* b = items.FindItem("C:\\A\\B");
  TTreeItem* b1 = items.FindItem("C:\\A\\B\\B1");
  TTreeItem* c = items.FindItem("C:\\A\\C");
  TTreeItem* d = items.FindItem("C:\\D");
  EXPECT_FALSE(b1->IsVisible());
  EXPECT_TRUE(b->IsVisible());
  EXPECT_TRUE(items.Root->IsVisible());
  EXPECT_EQ(items.GetNextVisible(b), c);
  EXPECT_EQ(items.GetNextVisible(b1), c);
  EXPECT_EQ(items.GetPrevVisible(c), b);
  EXPECT_EQ(items.GetPrevVisible(items.Root), nullptr);
  EXPECT_EQ(items.GetNextVisible(d), nullptr);

  int changes = 0, renumbered = 0;
  items.OnChange = [&](TTreeItems*) { ++changes; };
  b1->Index = -5;
  b->SetExpanded(true);  // expanding tells the view but does not renumber
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(b1->Index, -5);
  b->SetExpanded(true);
  EXPECT_EQ(changes, 1);
  b1->Index = 3;

  a->Collapse(true);
  EXPECT_EQ(changes, 2);
  EXPECT_FALSE(a->Expanded);
  EXPECT_FALSE(b->Expanded);
  EXPECT_FALSE(b1->Expanded);
  EXPECT_EQ(items.GetNextVisible(items.Root), a);
  EXPECT_EQ(items.GetNextVisible(a), d);
  EXPECT_EQ(items.GetPrevVisible(d), a);
  a->Expand(false);
  EXPECT_EQ(items.GetNextVisible(a), b);
  EXPECT_EQ(items.GetNextVisible(b), c);
  b1->ExpandParents();
  EXPECT_TRUE(b->Expanded);
  EXPECT_TRUE(b1->IsVisible());
  EXPECT_EQ(changes, 4);
  items.OnChange = [&](TTreeItems*) { ++renumbered; };
  a->Collapse(false);
  EXPECT_TRUE(b->Expanded);
  EXPECT_FALSE(b1->IsVisible());
  EXPECT_EQ(renumbered, 1);
  EXPECT_TRUE(b1->IsDescendantOf(a));
  EXPECT_FALSE(a->IsDescendantOf(a));
  EXPECT_FALSE(d->IsDescendantOf(a));
  EXPECT_TRUE(b->IsFirstChild());
  EXPECT_FALSE(c->IsFirstChild());
  EXPECT_FALSE(items.Root->IsFirstChild());
  EXPECT_EQ(c->PrevSibling(), b);
  EXPECT_EQ(b->PrevSibling(), nullptr);
  EXPECT_EQ(items.Root->PrevSibling(), nullptr);
}

// The walks as the format's readers describe them, one step at a time; the list's own
// versions take short cuts and must land on the same items.
TTreeItem* LiteralNextVisible(const TTreeItems& items, const TTreeItem* item) {
  TTreeItem* candidate = items.GetNext(item);
  while (candidate && !candidate->IsVisible())
    candidate = candidate->NextSibling ? candidate->NextSibling : items.GetNext(candidate);
  return candidate;
}
TTreeItem* LiteralPrev(const TTreeItem* item) {
  if (!item->Parent) return nullptr;
  if (item->IsFirstChild()) return item->Parent;
  TTreeItem* p = item->PrevSibling();
  while (p->FirstChild) {
    p = p->FirstChild;
    while (p->NextSibling) p = p->NextSibling;
  }
  return p;
}
TTreeItem* LiteralFind(const TTreeItems& items, const std::string& path, const ICollator& collator) {
  for (TTreeItem* item = items.Root; item; item = items.GetNext(item))
    if (item != items.Root && collator.Compare(item->GetPath(), path) == 0) return item;
  return nullptr;
}

TEST(TreeItemsTest, WalksAgreeWithTheStepByStepDefinitions) {
  std::mt19937 random(7);
  for (int round = 0; round < 40; ++round) {
    TTreeItems items;
    items.BeginUpdate();
    std::vector<TTreeItem*> made{items.AddRoot("C:")};
    const int size = 1 + static_cast<int>(random() % 60);
    for (int i = 0; i < size; ++i) {
      TTreeItem* parent = made[random() % made.size()];
      std::string name(1, static_cast<char>('a' + random() % 6));
      if (random() % 2) name += static_cast<char>('A' + random() % 3);
      if (TTreeItem* item = items.Add(parent, name)) made.push_back(item);
    }
    for (TTreeItem* item : made) item->Expanded = random() % 3 != 0;
    items.EndUpdate();
    ExpectConsistent(items);
    const auto all = PreOrder(items);
    for (size_t i = 0; i < all.size(); ++i) {
      TTreeItem* item = all[i];
      EXPECT_EQ(items.GetNext(item), i + 1 < all.size() ? all[i + 1] : nullptr);
      EXPECT_EQ(items.GetPrev(item), LiteralPrev(item));
      EXPECT_EQ(items.GetNextVisible(item), LiteralNextVisible(items, item));
      // The previous visible item: the nearest visible one before it in pre-order.
      TTreeItem* previousVisible = nullptr;
      for (size_t j = i; j-- > 0;)
        if (all[j]->IsVisible()) {
          previousVisible = all[j];
          break;
        }
      if (item->IsVisible()) {
        EXPECT_EQ(items.GetPrevVisible(item), previousVisible) << item->GetPath();
      }
      const std::string path = item->GetPath();
      if (item != items.Root) {
        EXPECT_EQ(items.FindItem(path), LiteralFind(items, path, items.Collator())) << path;
        std::string upper = path;
        for (char& ch : upper) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
        EXPECT_EQ(items.FindItem(upper), item) << upper;
        EXPECT_EQ(items.FindItem(path + "\\"), nullptr);
        EXPECT_EQ(items.FindItem(path + "x"), LiteralFind(items, path + "x", items.Collator()));
      }
    }
  }
}

TEST(TreeItemsTest, FindItemEdges) {
  TTreeItems items;
  EXPECT_EQ(items.FindItem("C:\\A"), nullptr);
  ASSERT_TRUE(items.LoadFromStrings({"1 0C:", "1 1Windows", "1 2System", "1 1Win"}));
  EXPECT_EQ(items.FindItem("C:\\"), items.Root);
  EXPECT_EQ(items.FindItem("C:"), items.Root);
  EXPECT_EQ(items.FindItem("relative\\path"), items.Root);
  EXPECT_EQ(items.FindItem("c:\\WINDOWS\\system")->Name, "System");
  EXPECT_EQ(items.FindItem("C:\\Win")->Name, "Win");
  EXPECT_EQ(items.FindItem("C:\\Windows\\Sys"), nullptr);
  EXPECT_EQ(items.FindItem("D:\\Windows"), nullptr);
  EXPECT_EQ(items.FindItem("C:\\Windows\\\\System"), nullptr);
  EXPECT_EQ(items.FindItem("C:\\Missing"), nullptr);
  items.Root->SetName("\\\\srv\\share");
  EXPECT_EQ(items.FindItem("\\\\SRV\\share\\Windows\\System")->Name, "System");
}

}  // namespace
}  // namespace quill

#include "tree/TreeItems.h"

#include <utility>

#include "base/Path.h"

namespace quill {

// ---- TTreeItem -------------------------------------------------------------------------------

std::string TTreeItem::GetPath() const {
  if (Level <= 0) {
    const bool drive = !Name.empty() && (Name.find(':') != std::string::npos || Name[0] == '/' || Name[0] == '\\');
    return drive ? Name + "\\" : std::string();
  }
  std::vector<const TTreeItem*> chain;
  size_t length = 0;
  for (const TTreeItem* p = this; p; p = p->Parent) {
    chain.push_back(p);
    length += p->Name.size() + 1;
  }
  std::string path;
  path.reserve(length);
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    if (!path.empty() || it != chain.rbegin()) path += '\\';
    path += (*it)->Name;
  }
  return path;
}

void TTreeItem::SetExpanded(bool flag) {
  if (Expanded == flag) return;
  Expanded = flag;
  if (Owner && !Owner->IsUpdating() && Owner->OnChange) Owner->OnChange(Owner);
}

bool TTreeItem::IsVisible() const {
  for (const TTreeItem* p = Parent; p; p = p->Parent)
    if (!p->Expanded) return false;
  return true;
}

TTreeItem* TTreeItem::PrevSibling() const {
  if (!Parent || Parent->FirstChild == this) return nullptr;
  TTreeItem* p = Parent->FirstChild;
  while (p && p->NextSibling != this) p = p->NextSibling;
  return p;
}

namespace {

// Pre-order over the subtree below `top` (top excluded), without recursion: deep trees come from
// files as easily as from disks.
template <typename Item, typename Visit>
void ForEachBelow(Item* top, Visit visit) {
  Item* item = top->FirstChild;
  while (item) {
    visit(item);
    if (item->FirstChild) {
      item = item->FirstChild;
      continue;
    }
    while (item != top && !item->NextSibling) item = item->Parent;
    if (item == top) break;
    item = item->NextSibling;
  }
}

}  // namespace

void TTreeItem::Collapse(bool recursive) {
  if (Owner) Owner->BeginUpdate();
  Expanded = false;
  if (recursive) ForEachBelow(this, [](TTreeItem* item) { item->Expanded = false; });
  if (Owner) Owner->EndUpdate();
}

void TTreeItem::Expand(bool recursive) {
  if (Owner) Owner->BeginUpdate();
  Expanded = true;
  if (recursive) ForEachBelow(this, [](TTreeItem* item) { item->Expanded = true; });
  if (Owner) Owner->EndUpdate();
}

void TTreeItem::ExpandParents() {
  if (Owner) Owner->BeginUpdate();
  for (TTreeItem* p = Parent; p; p = p->Parent) p->SetExpanded(true);
  if (Owner) Owner->EndUpdate();
}

bool TTreeItem::IsDescendantOf(const TTreeItem* item) const {
  if (!item) return false;
  for (const TTreeItem* p = Parent; p; p = p->Parent)
    if (p == item) return true;
  return false;
}

// ---- TTreeItems ------------------------------------------------------------------------------

TTreeItems::TTreeItems(ITreeItemsView* view, const ICollator& collator) : View(view), collator_(&collator) {}

TTreeItems::~TTreeItems() {
  if (Root) FreeSubtree(Root);
}

void TTreeItems::Link(TTreeItem* sibling, TTreeItem* item) {
  TTreeItem* parent = sibling->Parent;
  item->Parent = parent;
  item->Level = sibling->Level;
  TTreeItem* previous = nullptr;
  TTreeItem* current = parent->FirstChild;
  while (current && collator_->Compare(item->Name, current->Name) > 0) {
    previous = current;
    current = current->NextSibling;
  }
  item->NextSibling = current;
  if (previous) previous->NextSibling = item;
  else parent->FirstChild = item;
  if (!current) parent->lastChild_ = item;
}

TTreeItem* TTreeItems::PlaceLoaded(TTreeItem* parent, TTreeItem* item) {
  item->Parent = parent;
  item->Level = parent->Level + 1;
  item->NextSibling = nullptr;
  TTreeItem* tail = parent->lastChild_;
  // A cache is written with sorted siblings, so nearly every line sorts after the end of its
  // chain; chains built here are always sorted, and one comparison with the end decides.
  if (!tail || collator_->Compare(item->Name, tail->Name) > 0) {
    if (tail) tail->NextSibling = item;
    else parent->FirstChild = item;
    parent->lastChild_ = item;
    ++Count;
    return item;
  }
  TTreeItem* previous = nullptr;
  TTreeItem* current = parent->FirstChild;
  int order = 1;
  while (current && (order = collator_->Compare(item->Name, current->Name)) > 0) {
    previous = current;
    current = current->NextSibling;
  }
  if (current && order == 0) {
    delete item;
    return current;
  }
  item->NextSibling = current;
  if (previous) previous->NextSibling = item;
  else parent->FirstChild = item;
  ++Count;
  return item;
}

TTreeItem* TTreeItems::InsertSorted(TTreeItem* sibling, TTreeItem* item) {
  if (!item || !sibling || !sibling->Parent) return item;
  Link(sibling, item);
  ++Count;
  Changed();
  return item;
}

TTreeItem* TTreeItems::AddChild(TTreeItem* parent, TTreeItem* item) {
  if (!parent || !item) return item;
  if (parent->FirstChild) return InsertSorted(parent->FirstChild, item);
  item->Parent = parent;
  item->Level = parent->Level + 1;
  item->NextSibling = nullptr;
  parent->FirstChild = parent->lastChild_ = item;
  ++Count;
  Changed();
  return item;
}

TTreeItem* TTreeItems::FindChild(const TTreeItem* parent, std::string_view name) const {
  if (!parent) return nullptr;
  for (TTreeItem* c = parent->FirstChild; c; c = c->NextSibling)
    if (collator_->Compare(c->Name, name) == 0) return c;
  return nullptr;
}

TTreeItem* TTreeItems::Add(TTreeItem* parent, std::string_view name) {
  if (!parent || FindChild(parent, name)) return nullptr;
  auto* item = new TTreeItem(this);
  item->SetName(name);
  item->Level = parent->Level + 1;
  return AddChild(parent, item);
}

TTreeItem* TTreeItems::AddRoot(std::string_view name) {
  if (Root) return nullptr;
  Root = new TTreeItem(this);
  Root->SetName(name);
  Count = 1;
  Changed();
  return Root;
}

void TTreeItems::FreeSubtree(TTreeItem* item) {
  std::vector<TTreeItem*> doomed{item};
  ForEachBelow(item, [&](TTreeItem* below) { doomed.push_back(below); });
  // Children before their parents, as the chains are taken apart.
  for (auto it = doomed.rbegin(); it != doomed.rend(); ++it) {
    delete *it;
    --Count;
  }
}

void TTreeItems::Delete(TTreeItem* item) {
  if (!item) return;
  BeginUpdate();
  if (View) {
    // A focus inside the deleted subtree would be left pointing at freed memory, so it moves too.
    TTreeItem* focused = View->Focused();
    if (focused && (focused == item || focused->IsDescendantOf(item)))
      View->SetFocused(item->NextSibling ? item->NextSibling : item->Parent);
  }
  if (TTreeItem* parent = item->Parent) {
    TTreeItem* previous = nullptr;
    if (parent->FirstChild == item) parent->FirstChild = item->NextSibling;
    else if ((previous = item->PrevSibling())) previous->NextSibling = item->NextSibling;
    if (parent->lastChild_ == item) parent->lastChild_ = previous;
    FreeSubtree(item);
  } else if (item == Root) {
    FreeSubtree(item);
    Root = Last = nullptr;
    Count = 0;
  }
  EndUpdate();
}

void TTreeItems::Clear() {
  if (Root) FreeSubtree(Root);
  Root = Last = nullptr;
  Count = 0;
  Changed();
}

void TTreeItems::EndUpdate() {
  if (UpdateCount > 0) --UpdateCount;
  Changed();
}

void TTreeItems::Changed() {
  if (UpdateCount != 0 || !Root) return;
  int32_t index = 0;
  Root->Index = index;
  TTreeItem* last = Root;
  ForEachBelow(Root, [&](TTreeItem* item) {
    item->Index = ++index;
    last = item;
  });
  Last = last;
  Count = index + 1;
  if (OnChange) OnChange(this);
}

// ---- walks -----------------------------------------------------------------------------------

namespace {

// The pre-order successor of everything below `item`: its next sibling or the nearest
// ancestor's.
TTreeItem* NextAfterSubtree(const TTreeItem* item) {
  for (const TTreeItem* p = item; p; p = p->Parent)
    if (p->NextSibling) return p->NextSibling;
  return nullptr;
}

}  // namespace

TTreeItem* TTreeItems::GetNext(const TTreeItem* item) const {
  if (!item) return nullptr;
  if (item->FirstChild) return item->FirstChild;
  return NextAfterSubtree(item);
}

TTreeItem* TTreeItems::GetNextVisible(const TTreeItem* item) const {
  if (!item) return nullptr;
  // Everything below the shallowest collapsed ancestor is hidden, and the walk's answer is the
  // first item after that ancestor's subtree; siblings and ancestors of a visible item are
  // visible, so no candidate needs testing.
  const TTreeItem* top = nullptr;
  for (const TTreeItem* p = item->Parent; p; p = p->Parent)
    if (!p->Expanded) top = p;
  if (top) return NextAfterSubtree(top);
  if (item->Expanded && item->FirstChild) return item->FirstChild;
  return NextAfterSubtree(item);
}

TTreeItem* TTreeItems::GetPrev(const TTreeItem* item) const {
  if (!item || !item->Parent) return nullptr;
  if (item->IsFirstChild()) return item->Parent;
  TTreeItem* p = item->PrevSibling();
  if (!p) return nullptr;
  while (p->lastChild_) p = p->lastChild_;
  return p;
}

TTreeItem* TTreeItems::GetPrevVisible(const TTreeItem* item) const {
  if (!item || !item->Parent) return nullptr;
  TTreeItem* candidate;
  if (item->IsFirstChild()) {
    candidate = item->Parent;
  } else {
    candidate = item->PrevSibling();
    if (!candidate) return nullptr;
    // Only expanded items lead further down towards a visible last descendant.
    while (candidate->Expanded && candidate->lastChild_) candidate = candidate->lastChild_;
  }
  // A hidden candidate gives way to its ancestors until one is visible.
  while (candidate && !candidate->IsVisible()) candidate = candidate->Parent;
  return candidate;
}

TTreeItem* TTreeItems::FindItem(std::string_view path) const {
  const std::string drive = DrivePart(path);
  if (drive.empty() || path.size() <= drive.size() + 1) return Root;
  if (!Root) return nullptr;
  const std::string_view rest = path.substr(drive.size() + 1);
  const std::string_view first = rest.substr(0, rest.find('\\'));
  TTreeItem* start = FindChild(Root, first);
  if (!start) return nullptr;
  // Every path below the root starts with the root's name; the search then follows only the
  // children whose names continue the path, which finds the same first item in pre-order as
  // comparing every later item's full path, without building any of them.
  const std::string_view rootName = Root->Name;
  if (path.size() < rootName.size() || collator_->Compare(path.substr(0, rootName.size()), rootName) != 0)
    return nullptr;
  auto matches = [&](const TTreeItem* item, size_t at, size_t& end) {
    if (at >= path.size() || path[at] != '\\') return false;
    const size_t length = item->Name.size();
    if (path.size() - at - 1 < length) return false;
    if (collator_->Compare(path.substr(at + 1, length), item->Name) != 0) return false;
    end = at + 1 + length;
    return true;
  };
  // Frames of (next sibling to try, offset in path where its name starts).
  std::vector<std::pair<TTreeItem*, size_t>> stack{{start, rootName.size()}};
  while (!stack.empty()) {
    auto [item, at] = stack.back();
    if (!item) {
      stack.pop_back();
      continue;
    }
    stack.back().first = item->NextSibling;
    size_t end = 0;
    if (!matches(item, at, end)) continue;
    if (end == path.size()) return item;
    if (item->FirstChild) stack.push_back({item->FirstChild, end});
  }
  return nullptr;
}

// ---- copies ----------------------------------------------------------------------------------

TTreeItem* TTreeItems::CopyItem(TTreeItem* destParent, const TTreeItem* source) {
  if (!destParent || !source) return nullptr;
  // Copying a folder into its own subtree would keep meeting its own copies; the file
  // operations refuse it as well.
  if (destParent == source || destParent->IsDescendantOf(source)) return nullptr;
  BeginUpdate();
  TTreeItem* made = Add(destParent, source->Name);
  if (made && source->FirstChild) CopyChildren(made, source->FirstChild);
  EndUpdate();
  return made;
}

void TTreeItems::CopyChildren(TTreeItem* destParent, const TTreeItem* first) {
  if (!destParent || !first) return;
  for (const TTreeItem* p = destParent; p; p = p->Parent) {
    if (p->Parent != first->Parent) continue;
    for (const TTreeItem* s = first; s; s = s->NextSibling)
      if (s == p) return;  // the destination lies inside a subtree to be copied
  }
  BeginUpdate();
  // Frames of (next source sibling, its destination parent): depth first, each chain stopping
  // at its first name already present.
  std::vector<std::pair<const TTreeItem*, TTreeItem*>> stack{{first, destParent}};
  while (!stack.empty()) {
    auto [source, dest] = stack.back();
    TTreeItem* made = source ? Add(dest, source->Name) : nullptr;
    if (!made) {
      stack.pop_back();
      continue;
    }
    stack.back().first = source->NextSibling;
    if (source->FirstChild) stack.push_back({source->FirstChild, made});
  }
  EndUpdate();
}

}  // namespace quill

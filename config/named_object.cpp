#include "named_object.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <thread>

#include "byte_scan.h"
#include "small_alloc.h"

namespace cfg {
// ---------------------------------------------------------------- NamedObject

void* NamedObject::operator new(std::size_t size) {
  static_assert(alignof(NamedObject) <= 8, "the small-block allocator aligns to 8 bytes");
  return SmallAllocate(size);
}
void NamedObject::operator delete(void* block, std::size_t size) noexcept {
  SmallFree(block, size);
}

NamedObject::OwnedName::OwnedName(std::string_view text) {
  if (text.empty()) return;
  if (text.size() <= kInline) {
    SetShort(text);
    return;
  }
  // The length is kept in 32 bits: a name is cut at 4 GiB (no line that long
  // is ever read), and the block's size is reckoned from what is kept.
  const auto length = static_cast<uint32_t>(std::min<size_t>(text.size(), UINT32_MAX - 1));
  char* block = static_cast<char*>(SmallAllocate(size_t{length} + 1));
  std::memcpy(block, text.data(), length);
  block[length] = '\0';
  std::memcpy(bytes_, &block, sizeof block);
  std::memcpy(bytes_ + sizeof block, &length, sizeof length);
  bytes_[kMode] = kHeap;
}

NamedObject::OwnedName& NamedObject::OwnedName::operator=(OwnedName&& other) noexcept {
  if (this != &other) {
    const unsigned char tag = bytes_[kTag];
    this->~OwnedName();
    std::memcpy(bytes_, other.bytes_, sizeof bytes_);
    bytes_[kTag] = tag;
    other.bytes_[kMode] = 0;
  }
  return *this;
}

NamedObject::OwnedName::~OwnedName() {
  if (bytes_[kMode] == kHeap) SmallFree(Block(), View().size() + 1);
}

NamedObject::NamedObject(const char* name) { SetName(name); }
NamedObject::NamedObject(std::string_view name) { SetName(name); }
NamedObject::NamedObject(const NamedObject& other) : name_(other.NameView()) {}
NamedObject::~NamedObject() = default;

void NamedObject::SetName(const char* text) {
  SetName(text ? std::string_view(text) : std::string_view());
}

void NamedObject::Rename(std::string_view text) {
  OwnedName copy(text);
  if (owner_ != nullptr && owner_->HasIndex()) {
    std::string old(NameView());
    name_ = std::move(copy);
    owner_->OnRename(this, old);
  } else {
    name_ = std::move(copy);
  }
}

std::unique_ptr<NamedObject> NamedObject::Clone() const {
  return std::make_unique<NamedObject>(*this);
}

// ------------------------------------------------------------------ NamedList

template <class T>
T* NamedList::SlotAllocator<T>::allocate(std::size_t n) {
  return static_cast<T*>(SmallAllocate(n * sizeof(T)));
}

template <class T>
void NamedList::SlotAllocator<T>::deallocate(T* p, std::size_t n) noexcept {
  SmallFree(p, n * sizeof(T));
}

template struct NamedList::SlotAllocator<std::unique_ptr<NamedObject>>;
template struct NamedList::SlotAllocator<NamedList::IndexCell>;

NamedList::NamedList() = default;
NamedList::NamedList(const char* name) : NamedObject(name) {}
NamedList::NamedList(const NamedList& other, ShallowCopy) : NamedObject(other) {}
NamedList::NamedList(const NamedList& other) : NamedObject(other) { CopyItemsFrom(other); }

NamedList::~NamedList() { ClearItems(false); }

void NamedList::FreeItemsOnTwoThreads() { ClearItems(true); }

void NamedList::ClearItems(bool mayShare) {
  Work lists;
  TakeChildren(slots_, lists);
  extra_.reset();
  DestroyLists(lists, mayShare);
}

void NamedList::TakeChildren(Slots& slots, Work& lists) {
  // Children are taken out of their lists before they are destroyed, so
  // destroying a deep tree never recurses: leaves (values) go at once, lists
  // wait their turn and are destroyed empty.
  // The children lie apart in memory: ask for one a few places ahead early.
  constexpr std::ptrdiff_t kPrefetchAhead = 4;
  for (auto it = slots.rbegin(); it != slots.rend(); ++it) {
    if (slots.rend() - it > kPrefetchAhead) __builtin_prefetch(it[kPrefetchAhead].get());
    if (!*it) continue;
    if ((*it)->AsList()) {
      lists.push_back(std::move(*it));
    } else {
      it->reset();
    }
  }
  slots.clear();
}

void NamedList::DestroyLists(Work& lists, bool mayShare) {
  size_t taken = 0;  // children taken out so far
  Work shared;       // the helper's lists
  std::thread helper;
  while (!lists.empty()) {
    std::unique_ptr<NamedObject> item = std::move(lists.back());
    lists.pop_back();
    Slots& slots = item->AsList()->slots_;
    taken += slots.size();
    TakeChildren(slots, lists);
    item.reset();
    if (mayShare && taken >= kShareAfter && lists.size() >= 2 && !helper.joinable()) {
      // A large tree: every other waiting list goes to a helper thread, so
      // that both get a share of the large and of the small ones. Without
      // room for the helper's share, this thread keeps them all.
      try {
        shared.reserve(lists.size() / 2 + 1);
      } catch (...) {
        mayShare = false;
        continue;
      }
      size_t kept = 0;
      for (size_t i = 0; i < lists.size(); ++i) {
        if (i % 2 == 0) {
          shared.push_back(std::move(lists[i]));
        } else {
          lists[kept++] = std::move(lists[i]);
        }
      }
      lists.resize(kept);
      try {
        helper = std::thread([&shared] {
          DestroyLists(shared, false);
          DonateFreeBlocks();
        });
      } catch (...) {
        // No thread: this one destroys them all.
        for (auto& list : shared) lists.push_back(std::move(list));
        shared.clear();
        mayShare = false;
      }
    }
  }
  if (helper.joinable()) {
    helper.join();
    AdoptFreeBlocks();
  }
}

int NamedList::Add(std::unique_ptr<NamedObject>& item) {
  if (!item) return 0;
  if (IndexOfName(item->NameView()) != 0) return 0;
  return AddUnchecked(std::move(item));
}

int NamedList::AddAtSlot(std::unique_ptr<NamedObject> item) {
  int index;
  if (extra_ && !extra_->emptySlots.empty()) {
    std::vector<int>& empty = extra_->emptySlots;
    std::pop_heap(empty.begin(), empty.end(), std::greater<int>());
    index = empty.back();
    empty.pop_back();
    slots_[index - 1] = std::move(item);
  } else {
    constexpr size_t kFirstSlots = 4;
    if (slots_.empty()) slots_.reserve(kFirstSlots);
    slots_.push_back(std::move(item));
    index = Count();
  }
  return Adopt(index);
}

int NamedList::Adopt(int index) {
  slots_[index - 1]->owner_ = this;
  if (HasIndex()) {
    IndexInsert(index);
  } else if (slots_.size() > kIndexThreshold) {
    RebuildIndex();
  }
  return index;
}

int NamedList::RemoveAt(int index) {
  if (index < 1 || index > Count() || !slots_[index - 1]) return 0;
  if (HasIndex()) IndexErase(index, slots_[index - 1]->NameView());
  slots_[index - 1].reset();
  std::vector<int>& empty = extra().emptySlots;
  empty.push_back(index);
  std::push_heap(empty.begin(), empty.end(), std::greater<int>());
  return index;
}

std::unique_ptr<NamedObject> NamedList::TakeAt(int index) {
  if (index < 1 || index > Count() || !slots_[index - 1]) return nullptr;
  if (HasIndex()) IndexErase(index, slots_[index - 1]->NameView());
  std::unique_ptr<NamedObject> item = std::move(slots_[index - 1]);
  item->owner_ = nullptr;
  std::vector<int>& empty = extra().emptySlots;
  empty.push_back(index);
  std::push_heap(empty.begin(), empty.end(), std::greater<int>());
  return item;
}

int NamedList::PutAt(int index, std::unique_ptr<NamedObject>& item) {
  if (!item || index < 1 || index > Count() || slots_[index - 1] || !extra_) return 0;
  if (IndexOfName(item->NameView()) != 0) return 0;
  // The slot leaves the heap of empty slots: the last of them takes its
  // place there, and the heap is mended around it.
  std::vector<int>& empty = extra_->emptySlots;
  auto found = std::find(empty.begin(), empty.end(), index);
  if (found == empty.end()) return 0;
  *found = empty.back();
  empty.pop_back();
  std::make_heap(empty.begin(), empty.end(), std::greater<int>());
  slots_[index - 1] = std::move(item);
  return Adopt(index);
}

int NamedList::SlotOf(const NamedObject* item) const {
  if (item == nullptr || item->owner_ != this) return 0;
  return FindSlotOf(item, item->NameView());
}

int NamedList::Remove(const NamedObject* item) {
  if (item == nullptr || item->owner_ != this) return 0;
  return RemoveAt(FindSlotOf(item, item->NameView()));
}


std::vector<std::unique_ptr<NamedObject>> NamedList::TakeAll() {
  std::vector<std::unique_ptr<NamedObject>> items;
  items.reserve(slots_.size());
  for (std::unique_ptr<NamedObject>& slot : slots_) {
    if (!slot) continue;
    slot->owner_ = nullptr;
    items.push_back(std::move(slot));
  }
  slots_.clear();
  extra_.reset();
  return items;
}

int NamedList::IndexOfName(const char* text) const {
  return text ? IndexOfName(std::string_view(text)) : 0;
}

int NamedList::IndexOfName(std::string_view text) const {
  if (text.empty()) return 0;
  if (!HasIndex()) {
    for (int i = 0; i < Count(); ++i) {
      const NamedObject* item = slots_[i].get();
      if (item && item->name_.Matches(text)) return i + 1;
    }
    return 0;
  }
  // Names changed with SetName may repeat: the lowest-numbered match wins.
  int best = 0;
  const auto& index = extra_->index;
  const size_t mask = index.size() - 1;
  const uint32_t hash = HashName(text);
  for (size_t cell = hash & mask;; cell = (cell + 1) & mask) {
    const IndexCell& c = index[cell];
    if (c.slot == 0) break;
    if (c.slot > 0 && c.hash == hash && (best == 0 || c.slot < best) &&
        slots_[c.slot - 1]->name_.Matches(text)) {
      best = c.slot;
    }
  }
  return best;
}

NamedObject* NamedList::FindByName(const char* text) const { return ItemAt(IndexOfName(text)); }
NamedObject* NamedList::FindByName(std::string_view text) const {
  return ItemAt(IndexOfName(text));
}

NamedList::Extra& NamedList::extra() {
  if (!extra_) extra_ = std::make_unique<Extra>();
  return *extra_;
}

std::unique_ptr<NamedList> NamedList::CloneEmpty() const {
  return std::unique_ptr<NamedList>(new NamedList(*this, ShallowCopy{}));
}

std::unique_ptr<NamedObject> NamedList::Clone() const {
  std::unique_ptr<NamedList> copy = CloneEmpty();
  copy->CopyItemsFrom(*this);
  return copy;
}

void NamedList::CopyItemsFrom(const NamedList& source) {
  std::vector<std::pair<const NamedList*, NamedList*>> work{{&source, this}};
  while (!work.empty()) {
    auto [from, to] = work.back();
    work.pop_back();
    for (const auto& item : from->slots_) {
      if (!item) continue;
      if (const NamedList* list = item->AsList()) {
        std::unique_ptr<NamedList> copy = list->CloneEmpty();
        NamedList* target = copy.get();
        if (to->Add(copy) != 0) work.emplace_back(list, target);
      } else {
        std::unique_ptr<NamedObject> copy = item->Clone();
        to->Add(copy);  // a refused copy is disposed of here
      }
    }
  }
}

// ------------------------------------------------------------------ the index
// Open addressing with linear probing; a cell's slot is 0 when the cell is
// free and -1 when its entry was erased. At most half the cells are taken
// (live or erased), so that probes stay short.

namespace {
constexpr size_t kFirstIndexCells = 64;  // a power of two, as every capacity
// Cells enough for entries (and one more) at most half full.
constexpr size_t CellsFor(size_t entries) { return entries * 2 + 2; }
}  // namespace

void NamedList::RebuildIndex() {
  Extra& x = extra();
  size_t capacity = kFirstIndexCells;
  while (capacity < CellsFor(static_cast<size_t>(Count()))) capacity *= 2;
  x.index.assign(capacity, IndexCell{0, 0});
  x.used = 0;
  x.erased = 0;
  for (int i = 1; i <= Count(); ++i) {
    if (slots_[i - 1]) IndexInsert(i);
  }
}

void NamedList::IndexInsert(int index) {
  std::string_view name = slots_[index - 1]->NameView();
  if (name.empty()) return;
  Extra& x = *extra_;
  if (static_cast<size_t>(x.used + x.erased + 1) * 2 > x.index.size()) GrowIndex();  // over half
  PlaceInIndex(HashName(name), index);
}

void NamedList::PlaceInIndex(uint32_t hash, int index) {
  Extra& x = *extra_;
  const size_t mask = x.index.size() - 1;
  size_t cell = hash & mask;
  while (x.index[cell].slot > 0) cell = (cell + 1) & mask;
  if (x.index[cell].slot < 0) --x.erased;
  x.index[cell] = IndexCell{hash, index};
  ++x.used;
}

void NamedList::GrowIndex() {
  // The cells keep each name's hash: re-place them without reading a name.
  Extra& x = *extra_;
  std::vector<IndexCell, SlotAllocator<IndexCell>> old;
  old.swap(x.index);
  size_t capacity = old.size();
  while (capacity < CellsFor(static_cast<size_t>(x.used + 1))) capacity *= 2;
  x.index.assign(capacity, IndexCell{0, 0});
  x.used = 0;
  x.erased = 0;
  for (const IndexCell& cell : old) {
    if (cell.slot > 0) PlaceInIndex(cell.hash, cell.slot);
  }
}

void NamedList::IndexErase(int index, std::string_view name) {
  if (name.empty()) return;
  Extra& x = *extra_;
  const size_t mask = x.index.size() - 1;
  for (size_t cell = HashName(name) & mask;; cell = (cell + 1) & mask) {
    const int at = x.index[cell].slot;
    if (at == 0) return;
    if (at == index) {
      x.index[cell].slot = -1;
      --x.used;
      ++x.erased;
      return;
    }
  }
}

int NamedList::FindSlotOf(const NamedObject* item, std::string_view name) const {
  if (HasIndex() && !name.empty()) {
    const auto& index = extra_->index;
    const size_t mask = index.size() - 1;
    for (size_t cell = HashName(name) & mask; index[cell].slot != 0; cell = (cell + 1) & mask) {
      const int at = index[cell].slot;
      if (at > 0 && slots_[at - 1].get() == item) return at;
    }
  }
  for (int i = 0; i < Count(); ++i) {
    if (slots_[i].get() == item) return i + 1;
  }
  return 0;
}

void NamedList::OnRename(NamedObject* item, std::string_view oldName) {
  int index = FindSlotOf(item, oldName);
  if (index == 0) return;
  IndexErase(index, oldName);
  IndexInsert(index);
}

}  // namespace cfg

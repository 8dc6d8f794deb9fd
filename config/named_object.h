// Named objects and the slot lists that own them: the base of every object of
// the configuration tree.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

#include "byte_scan.h"
#include "name_compare.h"

namespace cfg {

class NamedList;

// An object with an optional name. An empty name is never stored: setting an
// empty text leaves the object unnamed, and GetName() then returns nullptr.
class NamedObject {
 public:
  NamedObject() = default;
  explicit NamedObject(const char* name);
  explicit NamedObject(std::string_view name);
  // Tree objects are many and small: they come from the small-block allocator.
  static void* operator new(std::size_t size);
  static void operator delete(void* block, std::size_t size) noexcept;
  // Copies the name only.
  NamedObject(const NamedObject& other);
  NamedObject& operator=(const NamedObject&) = delete;
  virtual ~NamedObject();

  // Replaces the name with a copy of text; nullptr or "" leaves the object
  // unnamed. Renaming an item that sits in a list does not check its siblings.
  void SetName(const char* text);
  void SetName(std::string_view text) {
    // A new object being named (most names are set so): nothing to free or
    // reindex, and a short name needs no block.
    if (owner_ == nullptr && name_.IsUnnamed() && text.size() <= OwnedName::kInline) {
      name_.SetShort(text);
      return;
    }
    Rename(text);
  }
  // The object's own name, or nullptr when it has none.
  const char* GetName() const { return name_.Text(); }
  // The name as a view; empty when the object is unnamed.
  std::string_view NameView() const { return name_.View(); }
  // The list that holds this object (a section's parent), or nullptr when no
  // list does, as for a document.
  const NamedList* Owner() const { return owner_; }

  // A deep copy of the same class, owned by the caller.
  virtual std::unique_ptr<NamedObject> Clone() const;

  // The list view of this object, or nullptr for objects that hold no items.
  virtual NamedList* AsList() { return nullptr; }
  virtual const NamedList* AsList() const { return nullptr; }

 protected:
  // One byte that a subclass keeps with the object, in the spare room of its
  // name (Value keeps its type there, ConfigNode its kind). 0 at first; copies
  // start at 0 too; renaming keeps it.
  unsigned char Tag() const { return name_.Tag(); }
  void SetTag(unsigned char tag) { name_.SetTag(tag); }

 private:
  friend class NamedList;
  // An owned copy of a text that knows its length. Short names (most of them)
  // live in the object itself; longer ones in a block of their own. The last
  // byte tells which: 0 no name, 1..kInline the length of an inline name,
  // kHeap a block (pointer and length in the first twelve bytes). The byte
  // before it is the object's tag, which no change of name touches.
  class OwnedName {
   public:
    OwnedName() = default;
    explicit OwnedName(std::string_view text);
    OwnedName(OwnedName&& other) noexcept {
      std::memcpy(bytes_, other.bytes_, sizeof bytes_);
      bytes_[kTag] = 0;
      other.bytes_[kMode] = 0;
    }
    OwnedName& operator=(OwnedName&& other) noexcept;
    ~OwnedName();
    const char* Text() const {
      const unsigned mode = bytes_[kMode];
      if (mode == 0) return nullptr;
      return mode == kHeap ? Block() : reinterpret_cast<const char*>(bytes_);
    }
    std::string_view View() const {
      const unsigned mode = bytes_[kMode];
      if (mode == 0) return std::string_view();
      if (mode != kHeap) return std::string_view(reinterpret_cast<const char*>(bytes_), mode);
      uint32_t length;
      std::memcpy(&length, bytes_ + sizeof(char*), sizeof length);
      return std::string_view(Block(), length);
    }

    bool IsUnnamed() const { return bytes_[kMode] == 0; }
    // Names an unnamed object with a text of at most kInline bytes.
    void SetShort(std::string_view text) {
      if (text.empty()) return;
      CopyBytes(reinterpret_cast<char*>(bytes_), text.data(), text.size());
      bytes_[text.size()] = '\0';
      bytes_[kMode] = static_cast<unsigned char>(text.size());
    }
    static constexpr unsigned kInline = 13;  // longest inline name (then its NUL)
    unsigned char Tag() const { return bytes_[kTag]; }
    void SetTag(unsigned char tag) { bytes_[kTag] = tag; }

    // NamesEqual(View(), text) for a non-empty text; a name of another
    // length is told by its kind byte alone.
    bool Matches(std::string_view text) const {
      const unsigned mode = bytes_[kMode];
      if (text.size() <= kInline) {
        return mode == text.size() &&
               NamesEqual(std::string_view(reinterpret_cast<const char*>(bytes_), mode), text);
      }
      return mode == kHeap && NamesEqual(View(), text);
    }

   private:
    static constexpr unsigned kTag = 14;     // index of the object's tag
    static constexpr unsigned kMode = 15;    // index of the byte that tells the kind
    static constexpr unsigned kHeap = 255;
    char* Block() const {
      char* block;
      std::memcpy(&block, bytes_, sizeof block);
      return block;
    }
    alignas(8) unsigned char bytes_[16] = {};
  };
  void Rename(std::string_view text);

  OwnedName name_;
  NamedList* owner_ = nullptr;  // the list holding this object, if any
};

// A named object that owns other named objects in numbered slots.
//
// Slots are numbered from 1; 0 means "no slot". An item keeps its slot until it
// is removed; removal leaves the slot empty and Count() never shrinks. Add puts
// an item into the lowest empty slot, or at the end when no slot is empty, and
// refuses an item whose name equals (ignoring ASCII case) the name of an item
// already in the list. Name lookups return the lowest-numbered match.
class NamedList : public NamedObject {
 public:
  NamedList();
  explicit NamedList(const char* name);
  // Deep copy: the source's items are cloned into slots 1..n in slot order,
  // without empty slots; a clone whose name is already taken is left out.
  NamedList(const NamedList& other);
  // Destroys every item (without recursion, however deep the tree), on this
  // thread.
  ~NamedList() override;
  // Destroys every item as the destructor does, but shares a large tree (from
  // kShareAfter items on) with a helper thread, so that its holder waits for
  // about half the work: for whoever destroys a large document. When no
  // thread can be started, this thread destroys it all. The list is left
  // without slots.
  void FreeItemsOnTwoThreads();

  // Takes the item into the list and returns its slot index, or returns 0 and
  // leaves the item with the caller when it is null or its name is taken.
  int Add(std::unique_ptr<NamedObject>& item);
  template <class T>
  int Add(std::unique_ptr<T>& item) {
    std::unique_ptr<NamedObject> base(item.release());
    int index = Add(base);
    if (index == 0) item.reset(static_cast<T*>(base.release()));
    return index;
  }
  // Destroys the item in that slot; returns the index, or 0 when the index is
  // outside 1..Count() or the slot is empty.
  int RemoveAt(int index);
  // Removes that very object (identity, not name); its former index, or 0 when
  // the list does not hold it.
  int Remove(const NamedObject* item);
  // Takes every item out of the list, in slot order, and hands them to the
  // caller; the list is left without slots. Adding them back in another
  // order is how a caller reorders a list.
  std::vector<std::unique_ptr<NamedObject>> TakeAll();
  // The slot of that very object (identity, not name), or 0 when the list
  // does not hold it.
  int SlotOf(const NamedObject* item) const;
  // Takes the item in that slot out of the list, whole, and hands it to the
  // caller; the slot stays empty as after RemoveAt. nullptr when the index is
  // outside 1..Count() or the slot is empty.
  std::unique_ptr<NamedObject> TakeAt(int index);
  // Puts an item back into that very slot, which must be empty (as TakeAt or
  // RemoveAt left it): an undo restores the list exactly. Returns index, or 0
  // and leaves the item with the caller when the slot is outside 1..Count()
  // or taken, or the item's name is taken.
  int PutAt(int index, std::unique_ptr<NamedObject>& item);
  // The item in that slot; nullptr for an empty slot or an index outside 1..Count().
  NamedObject* ItemAt(int index) const {
    return (index < 1 || index > Count()) ? nullptr : slots_[index - 1].get();
  }
  // Index of the lowest-numbered item whose name equals text (ASCII case
  // ignored); 0 for nullptr, "" or no match.
  int IndexOfName(const char* text) const;
  int IndexOfName(std::string_view text) const;
  // ItemAt(IndexOfName(text)).
  NamedObject* FindByName(const char* text) const;
  NamedObject* FindByName(std::string_view text) const;
  // Number of slots, empty ones included.
  int Count() const { return static_cast<int>(slots_.size()); }

  std::unique_ptr<NamedObject> Clone() const override;

  NamedList* AsList() override { return this; }
  const NamedList* AsList() const override { return this; }

 protected:
  struct ShallowCopy {};
  // Add for a non-null item whose name the caller has just looked up in vain.
  int AddUnchecked(std::unique_ptr<NamedObject> item) {
    // The common case inline: no empty slot to fill, room at the end, and
    // the list stays short enough to need no index.
    if (!extra_ && slots_.size() < slots_.capacity() && slots_.size() < kIndexThreshold) {
      item->owner_ = this;
      slots_.push_back(std::move(item));
      return Count();
    }
    return AddAtSlot(std::move(item));
  }
  // Copies the name only; no items.
  NamedList(const NamedList& other, ShallowCopy);
  // A new list of the same class and flags as this one, without items.
  virtual std::unique_ptr<NamedList> CloneEmpty() const;
  // Appends deep copies of the source's items (iteratively).
  void CopyItemsFrom(const NamedList& source);

 private:
  friend class NamedObject;
  // Lists longer than this keep a name index; shorter ones are scanned.
  static constexpr size_t kIndexThreshold = 16;
  // AddUnchecked's general case.
  int AddAtSlot(std::unique_ptr<NamedObject> item);
  // Makes the item just put into that slot the list's own: its owner and
  // the name index. Returns index.
  int Adopt(int index);
  void IndexInsert(int index);
  void PlaceInIndex(uint32_t hash, int index);
  void GrowIndex();
  void IndexErase(int index, std::string_view name);
  void RebuildIndex();
  void OnRename(NamedObject* item, std::string_view oldName);

  bool HasIndex() const { return extra_ && !extra_->index.empty(); }
  int FindSlotOf(const NamedObject* item, std::string_view name) const;

  // Slot arrays and name indexes come from the small-block allocator, which
  // also puts large arrays where the system can back them with huge pages.
  template <class T>
  struct SlotAllocator {
    using value_type = T;
    SlotAllocator() = default;
    template <class U>
    SlotAllocator(const SlotAllocator<U>&) {}
    T* allocate(std::size_t n);
    void deallocate(T* p, std::size_t n) noexcept;
    template <class U>
    bool operator==(const SlotAllocator<U>&) const { return true; }
    template <class U>
    bool operator!=(const SlotAllocator<U>&) const { return false; }
  };
  // A cell of the name index: a slot index (0 free, -1 erased) and the hash
  // of the name of the item in that slot.
  struct IndexCell {
    uint32_t hash;
    int32_t slot;
  };
  // What only some lists need: the empty slots, and a name index for long lists.
  struct Extra {
    std::vector<int> emptySlots;   // min-heap of the empty slots' indexes
    std::vector<IndexCell, SlotAllocator<IndexCell>> index;  // open addressing
    int used = 0;                  // live entries in index
    int erased = 0;                // erased entries in index
  };
  Extra& extra();

  using Slots = std::vector<std::unique_ptr<NamedObject>, SlotAllocator<std::unique_ptr<NamedObject>>>;
  // Lists waiting to be destroyed. Their vector comes from the ordinary
  // allocator: a helper thread may grow it.
  using Work = std::vector<std::unique_ptr<NamedObject>>;
  // A tree freed on two threads is shared once this many children are taken
  // out: a smaller one is not worth a thread.
  static constexpr size_t kShareAfter = 1 << 16;
  // Destroys the children in slots and moves the lists among them to lists.
  static void TakeChildren(Slots& slots, Work& lists);
  void ClearItems(bool mayShare);
  // Destroys the lists and everything below them, without recursion; with
  // mayShare, a large tree is destroyed on two threads.
  static void DestroyLists(Work& lists, bool mayShare);

  Slots slots_;
  std::unique_ptr<Extra> extra_;
};

}  // namespace cfg

#include "named_object.h"

#include <algorithm>
#include <cstring>
#include <functional>

#include "config_stream.h"

namespace cfg {
namespace {

// Lists longer than this keep a name index; shorter ones are scanned.
constexpr int kIndexThreshold = 16;

inline unsigned char Fold(unsigned char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

uint32_t HashName(std::string_view name) {
  uint32_t h = 2166136261u;
  for (unsigned char c : name) h = (h ^ Fold(c)) * 16777619u;
  return h;
}

std::unique_ptr<char[]> CopyName(std::string_view text) {
  if (text.empty()) return nullptr;
  std::unique_ptr<char[]> copy(new char[text.size() + 1]);
  std::memcpy(copy.get(), text.data(), text.size());
  copy[text.size()] = '\0';
  return copy;
}

}  // namespace

bool NamesEqual(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Fold(static_cast<unsigned char>(a[i])) != Fold(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

// ---------------------------------------------------------------- NamedObject

NamedObject::NamedObject(const char* name) { SetName(name); }
NamedObject::NamedObject(std::string_view name) { SetName(name); }
NamedObject::NamedObject(const NamedObject& other) : name_(CopyName(other.NameView())) {}
NamedObject::~NamedObject() = default;

void NamedObject::SetName(const char* text) {
  SetName(text ? std::string_view(text) : std::string_view());
}

void NamedObject::SetName(std::string_view text) {
  std::unique_ptr<char[]> copy = CopyName(text);
  if (owner_ != nullptr && !owner_->index_.empty()) {
    std::string old(NameView());
    name_ = std::move(copy);
    owner_->OnRename(this, old);
  } else {
    name_ = std::move(copy);
  }
}

std::string_view NamedObject::NameView() const {
  return name_ ? std::string_view(name_.get()) : std::string_view();
}

std::unique_ptr<NamedObject> NamedObject::Clone() const {
  return std::make_unique<NamedObject>(*this);
}

int NamedObject::Write(ConfigStream& stream) {
  stream.WriteSectionOpen(NameView());
  return stream.WriteSectionClose();
}

int NamedObject::Read(ConfigStream&) { return 1; }

// ------------------------------------------------------------------ NamedList

NamedList::NamedList() = default;
NamedList::NamedList(const char* name) : NamedObject(name) {}
NamedList::NamedList(const NamedList& other, ShallowCopy) : NamedObject(other) {}
NamedList::NamedList(const NamedList& other) : NamedObject(other) { CopyItemsFrom(other); }

NamedList::~NamedList() {
  // Children are taken out of their lists before they are destroyed, so
  // destroying a deep tree never recurses.
  std::vector<std::unique_ptr<NamedObject>> work;
  for (auto it = slots_.rbegin(); it != slots_.rend(); ++it) {
    if (*it) work.push_back(std::move(*it));
  }
  while (!work.empty()) {
    std::unique_ptr<NamedObject> item = std::move(work.back());
    work.pop_back();
    if (NamedList* list = item->AsList()) {
      for (auto it = list->slots_.rbegin(); it != list->slots_.rend(); ++it) {
        if (*it) work.push_back(std::move(*it));
      }
    }
  }
}

int NamedList::Add(std::unique_ptr<NamedObject>& item) {
  if (!item) return 0;
  if (IndexOfName(item->NameView()) != 0) return 0;
  int index;
  if (!emptySlots_.empty()) {
    std::pop_heap(emptySlots_.begin(), emptySlots_.end(), std::greater<int>());
    index = emptySlots_.back();
    emptySlots_.pop_back();
    slots_[index - 1] = std::move(item);
  } else {
    slots_.push_back(std::move(item));
    index = Count();
  }
  slots_[index - 1]->owner_ = this;
  if (!index_.empty()) {
    IndexInsert(index);
  } else if (Count() > kIndexThreshold) {
    RebuildIndex();
  }
  return index;
}

int NamedList::RemoveAt(int index) {
  if (index < 1 || index > Count() || !slots_[index - 1]) return 0;
  if (!index_.empty()) IndexErase(index, slots_[index - 1]->NameView());
  slots_[index - 1].reset();
  emptySlots_.push_back(index);
  std::push_heap(emptySlots_.begin(), emptySlots_.end(), std::greater<int>());
  return index;
}

int NamedList::RemoveByName(const char* text) { return RemoveAt(IndexOfName(text)); }

int NamedList::Remove(const NamedObject* item) {
  if (item == nullptr) return 0;
  if (!index_.empty() && item->GetName() != nullptr) {
    // The index finds the item's slot through its name.
    std::string_view name = item->NameView();
    const size_t mask = index_.size() - 1;
    for (size_t cell = HashName(name) & mask;; cell = (cell + 1) & mask) {
      int at = index_[cell];
      if (at == 0) break;
      if (at > 0 && slots_[at - 1].get() == item) return RemoveAt(at);
    }
    return 0;
  }
  for (int i = 0; i < Count(); ++i) {
    if (slots_[i].get() == item) return RemoveAt(i + 1);
  }
  return 0;
}

NamedObject* NamedList::ItemAt(int index) const {
  if (index < 1 || index > Count()) return nullptr;
  return slots_[index - 1].get();
}

int NamedList::IndexOfName(const char* text) const {
  return text ? IndexOfName(std::string_view(text)) : 0;
}

int NamedList::IndexOfName(std::string_view text) const {
  if (text.empty()) return 0;
  if (index_.empty()) {
    for (int i = 0; i < Count(); ++i) {
      const NamedObject* item = slots_[i].get();
      if (item && item->name_ && NamesEqual(item->NameView(), text)) return i + 1;
    }
    return 0;
  }
  // Names changed with SetName may repeat: the lowest-numbered match wins.
  int best = 0;
  const size_t mask = index_.size() - 1;
  for (size_t cell = HashName(text) & mask;; cell = (cell + 1) & mask) {
    int at = index_[cell];
    if (at == 0) break;
    if (at > 0 && (best == 0 || at < best) && NamesEqual(slots_[at - 1]->NameView(), text)) {
      best = at;
    }
  }
  return best;
}

NamedObject* NamedList::FindByName(const char* text) const { return ItemAt(IndexOfName(text)); }
NamedObject* NamedList::FindByName(std::string_view text) const {
  return ItemAt(IndexOfName(text));
}

int NamedList::FirstEmptySlot() const { return emptySlots_.empty() ? 0 : emptySlots_.front(); }

std::unique_ptr<NamedObject> NamedList::CreateItem(ConfigStream&, const char* name) {
  return std::make_unique<NamedObject>(name);
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

int NamedList::Write(ConfigStream& stream) {
  for (auto& item : slots_) {
    if (!item) continue;
    stream.WriteSectionOpen(item->NameView());
    item->Write(stream);
    stream.WriteSectionClose();
  }
  return 1;
}

int NamedList::Read(ConfigStream& stream) {
  stream.RewindSection();
  while (stream.NextChildSection()) {
    std::unique_ptr<NamedObject> item = CreateItem(stream, stream.ItemName());
    if (item) Add(item);
    stream.SkipChildSection();
  }
  return Count() != 0 ? 1 : 0;
}

// ------------------------------------------------------------------ the index
// Open addressing over slot indexes: 0 marks a free cell, -1 an erased one.

void NamedList::RebuildIndex() {
  size_t capacity = 64;
  while (capacity < static_cast<size_t>(Count()) * 2 + 2) capacity *= 2;
  index_.assign(capacity, 0);
  indexUsed_ = 0;
  indexTombs_ = 0;
  for (int i = 1; i <= Count(); ++i) {
    if (slots_[i - 1]) IndexInsert(i);
  }
}

void NamedList::IndexInsert(int index) {
  std::string_view name = slots_[index - 1]->NameView();
  if (name.empty()) return;
  if (static_cast<size_t>(indexUsed_ + indexTombs_ + 1) * 2 > index_.size()) {
    RebuildIndex();  // re-inserts every named item, this one included
    return;
  }
  const size_t mask = index_.size() - 1;
  size_t cell = HashName(name) & mask;
  while (index_[cell] > 0) cell = (cell + 1) & mask;
  if (index_[cell] < 0) --indexTombs_;
  index_[cell] = index;
  ++indexUsed_;
}

void NamedList::IndexErase(int index, std::string_view name) {
  if (name.empty()) return;
  const size_t mask = index_.size() - 1;
  for (size_t cell = HashName(name) & mask;; cell = (cell + 1) & mask) {
    int at = index_[cell];
    if (at == 0) return;
    if (at == index) {
      index_[cell] = -1;
      --indexUsed_;
      ++indexTombs_;
      return;
    }
  }
}

void NamedList::OnRename(NamedObject* item, std::string_view oldName) {
  int index = 0;
  if (!oldName.empty()) {
    const size_t mask = index_.size() - 1;
    for (size_t cell = HashName(oldName) & mask; index_[cell] != 0; cell = (cell + 1) & mask) {
      int at = index_[cell];
      if (at > 0 && slots_[at - 1].get() == item) index = at;
    }
  }
  for (int i = 0; i < Count() && index == 0; ++i) {
    if (slots_[i].get() == item) index = i + 1;
  }
  if (index == 0) return;
  IndexErase(index, oldName);
  IndexInsert(index);
}

}  // namespace cfg

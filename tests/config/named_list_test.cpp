// NamedObject and NamedList: names, the slot discipline, copies, child
// blocks saved and loaded, freeing on two threads, and a large list checked
// against a simple model.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "config/config_node.h"
#include "config/config_stream.h"
#include "config/named_object.h"
#include "test_support.h"
#include "tests/tree_fill.h"

namespace {

using cfg::NamedList;
using cfg::NamedObject;

std::unique_ptr<NamedObject> Item(const char* name) {
  return std::make_unique<NamedObject>(name);
}

// Names of the slots 1..Count(); "-" for an empty slot, "()" for an unnamed item.
std::vector<std::string> Slots(const NamedList& list) {
  std::vector<std::string> result;
  for (int i = 1; i <= list.Count(); ++i) {
    const NamedObject* item = list.ItemAt(i);
    result.push_back(!item ? "-" : item->GetName() ? item->GetName() : "()");
  }
  return result;
}

using Names = std::vector<std::string>;

// Removal by name, as the editor and cfgtool remove: the slot of the name's
// lowest-numbered item.
int RemoveByName(NamedList& list, const char* text) { return list.RemoveAt(list.IndexOfName(text)); }

// The lowest empty slot, where the next Add goes; 0 when no slot is empty.
int FirstEmptySlot(const NamedList& list) {
  for (int i = 1; i <= list.Count(); ++i) {
    if (list.ItemAt(i) == nullptr) return i;
  }
  return 0;
}

// A list holding P, Q, R in slots 1 to 3.
class ListPQR : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"P", "Q", "R"}) {
      auto item = Item(name);
      ASSERT_NE(list_.Add(item), 0);
    }
  }
  NamedList list_;
};

TEST(NamedObject, Names) {
  NamedObject unnamed;
  EXPECT_EQ(unnamed.GetName(), nullptr);
  EXPECT_TRUE(unnamed.NameView().empty());
  NamedObject empty("");
  EXPECT_EQ(empty.GetName(), nullptr);
  NamedObject fromNull(static_cast<const char*>(nullptr));
  EXPECT_EQ(fromNull.GetName(), nullptr);

  NamedObject object("first");
  EXPECT_STREQ(object.GetName(), "first");
  EXPECT_EQ(object.NameView(), "first");
  object.SetName("second");
  EXPECT_STREQ(object.GetName(), "second");
  object.SetName("");
  EXPECT_EQ(object.GetName(), nullptr);
  object.SetName(std::string_view("view"));
  EXPECT_STREQ(object.GetName(), "view");
  object.SetName(static_cast<const char*>(nullptr));
  EXPECT_EQ(object.GetName(), nullptr);

  // The name is an owned copy.
  std::string source = "copied";
  NamedObject owner(source.c_str());
  source[0] = 'X';
  EXPECT_STREQ(owner.GetName(), "copied");
  NamedObject copy(owner);
  owner.SetName("changed");
  EXPECT_STREQ(copy.GetName(), "copied");
  EXPECT_EQ(copy.AsList(), nullptr);
}

// Short names (under four bytes, and four to seven, read as two words that
// may overlap), and long ones whose difference falls in an eight-byte word,
// in its tail, or in both.
const struct NamePair {
  const char* a;
  const char* b;
  bool equal;
} kNamePairs[] = {
      {"Alpha", "aLPHA", true},
      {"", "", true},
      {"alpha", "alpha ", false},
      {"a", "b", false},
      {"\xE4", "\xC4", false},  // not ASCII letters
      {"[", "{", false},          // differ by 0x20 but are not letters
      {"@", "`", false},
      {"abcd", "ABCD", true},
      {"ab[d", "ab{d", false},
      {"TiTle", "tItLE", true},
      {"alpha", "title", false},
      {"abcdE", "abcdf", false},            // the difference only in the second word
      {"abc@efg", "abc`efg", false},
      {"window_12", "WINDOW_12", true},
      {"window_12", "window_13", false},
      {"Window_Settings", "wINDOW_sETTINGS", true},
      {"window_settings_x", "window_settings_x", true},
      {"window_1", "window_0", false},
      {"abcdefg[", "abcdefg{", false},      // a case-bit difference, not letters, in the word
      {"abcdefgh[", "abcdefgh{", false},    // the same in the tail
      {"ABCDEFGH@ijklmno", "abcdefgh`IJKLMNO", false},
      {"ABCDEFGHIJKLMNOP", "abcdefghijklmnop", true},
      {"abcdefghijklmnoP", "abcdefghijklmnoQ", false},
      {"\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4", "\xE4\xE4\xE4\xE4\xE4\xE4\xE4\xE4", false},
};

TEST(NamedObject, NamesEqualIgnoresOnlyAsciiCase) {
  for (const NamePair& c : kNamePairs) {
    SCOPED_TRACE(std::string(c.a) + " / " + c.b);
    EXPECT_EQ(cfg::NamesEqual(c.a, c.b), c.equal);
    EXPECT_EQ(cfg::NamesEqual(c.b, c.a), c.equal);
  }
}

TEST(NamedList, LargeListLookupsIgnoreOnlyAsciiCase) {
  // Past sixteen items a list looks names up through its hash index.
  for (const NamePair& c : kNamePairs) {
    if (*c.a == '\0') continue;
    SCOPED_TRACE(std::string(c.a) + " / " + c.b);
    NamedList list;
    for (int n = 0; n < 40; ++n) {
      auto filler = std::make_unique<NamedObject>(("filler" + std::to_string(n)).c_str());
      ASSERT_NE(list.Add(filler), 0);
    }
    auto item = std::make_unique<NamedObject>(c.a);
    ASSERT_EQ(list.Add(item), 41);
    EXPECT_EQ(list.IndexOfName(c.b), c.equal ? 41 : 0);
  }
}

TEST(NamedList, RefusesANameTakenInAnyCase) {
  NamedList list;
  auto alpha = Item("Alpha");
  EXPECT_EQ(list.Add(alpha), 1);
  EXPECT_EQ(alpha, nullptr);
  auto second = Item("ALPHA");
  NamedObject* raw = second.get();
  EXPECT_EQ(list.Add(second), 0);
  EXPECT_EQ(second.get(), raw) << "the caller keeps the refused item";
  EXPECT_EQ(list.Count(), 1);
  EXPECT_STREQ(list.ItemAt(1)->GetName(), "Alpha");

  std::unique_ptr<NamedObject> none;
  EXPECT_EQ(list.Add(none), 0);
  EXPECT_EQ(list.Count(), 1);
  // Non-ASCII bytes are compared exactly.
  auto upper = Item("\xC4");
  auto lower = Item("\xE4");
  EXPECT_EQ(list.Add(upper), 2);
  EXPECT_EQ(list.Add(lower), 3);
}

TEST(NamedList, UnnamedItemsNeverConflict) {
  NamedList list;
  for (int i = 1; i <= 3; ++i) {
    auto item = std::make_unique<NamedObject>();
    EXPECT_EQ(list.Add(item), i);
  }
  EXPECT_EQ(list.RemoveAt(2), 2);
  auto item = std::make_unique<NamedObject>();
  EXPECT_EQ(list.Add(item), 2);
  EXPECT_EQ(list.IndexOfName(static_cast<const char*>(nullptr)), 0);
  EXPECT_EQ(list.IndexOfName(""), 0);
  EXPECT_EQ(list.FindByName(""), nullptr);
}

TEST_F(ListPQR, RemovalLeavesTheSlotForTheNextAdd) {
  EXPECT_EQ(RemoveByName(list_, "q"), 2);
  EXPECT_EQ(FirstEmptySlot(list_), 2);
  auto x = Item("X");
  EXPECT_EQ(list_.Add(x), 2);
  EXPECT_EQ(list_.Count(), 3);
  EXPECT_EQ(FirstEmptySlot(list_), 0);
  EXPECT_EQ(Slots(list_), (Names{"P", "X", "R"}));
}

TEST_F(ListPQR, AddsFillTheLowestEmptySlotsFirst) {
  EXPECT_EQ(list_.RemoveAt(1), 1);
  EXPECT_EQ(list_.RemoveAt(3), 3);
  for (const char* name : {"X", "Y", "Z"}) {
    auto item = Item(name);
    list_.Add(item);
  }
  EXPECT_EQ(Slots(list_), (Names{"X", "Q", "Y", "Z"}));
}

TEST_F(ListPQR, CountNeverShrinks) {
  for (int i = 1; i <= 3; ++i) EXPECT_EQ(list_.RemoveAt(i), i);
  EXPECT_EQ(list_.Count(), 3);
  EXPECT_EQ(FirstEmptySlot(list_), 1);
  EXPECT_EQ(Slots(list_), (Names{"-", "-", "-"}));
  // A removed name is free again.
  auto p = Item("p");
  EXPECT_EQ(list_.Add(p), 1);
}

TEST_F(ListPQR, OutOfRangeAndEmptySlots) {
  list_.RemoveAt(2);
  EXPECT_EQ(list_.ItemAt(0), nullptr);
  EXPECT_EQ(list_.ItemAt(-1), nullptr);
  EXPECT_EQ(list_.ItemAt(2), nullptr);
  EXPECT_EQ(list_.ItemAt(4), nullptr);
  EXPECT_EQ(list_.RemoveAt(2), 0);
  EXPECT_EQ(list_.RemoveAt(0), 0);
  EXPECT_EQ(list_.RemoveAt(4), 0);
  EXPECT_EQ(RemoveByName(list_, "Q"), 0);
  EXPECT_EQ(RemoveByName(list_, nullptr), 0);
  EXPECT_EQ(Slots(list_), (Names{"P", "-", "R"}));
}

TEST_F(ListPQR, RemoveTakesThatVeryObject) {
  NamedObject lookalike("R");
  EXPECT_EQ(list_.Remove(&lookalike), 0);
  EXPECT_EQ(list_.Remove(nullptr), 0);
  NamedList elsewhere;
  auto foreign = Item("R");
  NamedObject* foreignItem = foreign.get();
  ASSERT_EQ(elsewhere.Add(foreign), 1);
  EXPECT_EQ(list_.Remove(foreignItem), 0) << "an item of another list";
  EXPECT_EQ(elsewhere.ItemAt(1), foreignItem);
  NamedObject* r = list_.FindByName("r");
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(list_.Remove(r), 3);
  EXPECT_EQ(Slots(list_), (Names{"P", "Q", "-"}));
}

TEST_F(ListPQR, LookupsIgnoreCase) {
  EXPECT_EQ(list_.IndexOfName("q"), 2);
  EXPECT_EQ(list_.IndexOfName(std::string_view("Rx", 1)), 3);
  EXPECT_EQ(list_.FindByName("p"), list_.ItemAt(1));
  EXPECT_EQ(list_.FindByName("S"), nullptr);
  EXPECT_EQ(list_.IndexOfName("PQ"), 0);
}

TEST_F(ListPQR, RenameToASiblingsName) {
  list_.ItemAt(3)->SetName("q");
  EXPECT_EQ(list_.IndexOfName("Q"), 2) << "the lowest-numbered match wins";
  list_.ItemAt(2)->SetName("other");
  EXPECT_EQ(list_.IndexOfName("Q"), 3);
  EXPECT_EQ(list_.IndexOfName("other"), 2);
  list_.ItemAt(1)->SetName("Q");
  EXPECT_EQ(list_.IndexOfName("q"), 1);
  // A copy keeps only the first of two equal names.
  NamedList copy(list_);
  EXPECT_EQ(Slots(copy), (Names{"Q", "other"}));
  // Renaming to nothing makes an item unnamed.
  list_.ItemAt(1)->SetName("");
  EXPECT_EQ(list_.IndexOfName("q"), 3);
}

TEST(NamedList, CopiesArePackedDeepCopies) {
  NamedList list("source");
  for (const char* name : {"P", "gone", "R"}) {
    auto item = Item(name);
    list.Add(item);
  }
  RemoveByName(list, "gone");
  auto unnamed = std::make_unique<NamedObject>();
  list.Add(unnamed);  // takes the empty slot 2
  RemoveByName(list, "P");

  NamedList copy(list);
  EXPECT_STREQ(copy.GetName(), "source");
  EXPECT_EQ(Slots(copy), (Names{"()", "R"}));
  EXPECT_EQ(FirstEmptySlot(copy), 0);
  EXPECT_NE(copy.ItemAt(2), list.ItemAt(3));

  std::unique_ptr<NamedObject> clone = list.Clone();
  ASSERT_NE(clone->AsList(), nullptr);
  EXPECT_EQ(Slots(*clone->AsList()), (Names{"()", "R"}));
  list.ItemAt(3)->SetName("changed");
  EXPECT_STREQ(clone->AsList()->ItemAt(2)->GetName(), "R");
}

TEST(NamedList, NestedListsCopyDeeply) {
  NamedList outer("outer");
  auto inner = std::make_unique<NamedList>("inner");
  auto leaf = Item("leaf");
  inner->Add(leaf);
  outer.Add(inner);
  std::unique_ptr<NamedObject> clone = outer.Clone();
  NamedList* clonedInner = clone->AsList()->ItemAt(1)->AsList();
  ASSERT_NE(clonedInner, nullptr);
  EXPECT_NE(clonedInner, outer.ItemAt(1));
  EXPECT_EQ(Slots(*clonedInner), (Names{"leaf"}));
}

// --- child blocks, as saving writes them and loading reads them back ---

std::string SaveToText(const cfg::Section& section) {
  cfg::ConfigStream out(cfg::InMemory{});
  section.SaveSection(out);
  return out.Output();
}

std::unique_ptr<cfg::Section> LoadText(const std::string& text) {
  auto document = std::make_unique<cfg::Section>(cfg::kFileSection, "");
  cfg::ConfigStream in(cfg::InMemory{}, text);
  document->LoadSection(in);
  return document;
}

TEST(NamedList, ChildBlocksSavedAndLoaded) {
  cfg::Section document(cfg::kFileSection, "");
  document.FindOrCreateSection("x");
  document.FindOrCreateSection("y")->FindOrCreateSection("z");
  document.FindOrCreateSection("gap");
  RemoveByName(document, "gap");
  const std::string expected =
      "{ x:\n"
      "} x;\n"
      "{ y:\n"
      "    { z:\n"
      "    } z;\n"
      "} y;\n";
  EXPECT_EQ(SaveToText(document), expected);

  // Each block becomes a child of the block it lies in: the direct children
  // of the document are x and y, and z is y's only child.
  std::unique_ptr<cfg::Section> read = LoadText(expected);
  EXPECT_EQ(Slots(*read), (Names{"x", "y"}));
  EXPECT_EQ(Slots(*read->SectionAt(2)), (Names{"z"}));
  EXPECT_EQ(read->SectionAt(1)->Count(), 0);

  // A repeated name (in any case) fills the child of that name; an input
  // without blocks makes no section.
  std::unique_ptr<cfg::Section> merged = LoadText("{ a:\n} a;\n{ A:\n} A;\n{ b:\n} b;\n");
  EXPECT_EQ(Slots(*merged), (Names{"a", "b"}));
  std::unique_ptr<cfg::Section> flat = LoadText("(int)x=1\n");
  EXPECT_EQ(Slots(*flat), (Names{"x"}));
  EXPECT_EQ(flat->SectionAt(1), &cfg::NullSection);

  // An empty section of a named section still writes its block.
  cfg::Section named("obj");
  EXPECT_EQ(SaveToText(named), "{ obj:\n} obj;\n");
}

// Freeing a large tree on two threads leaves the list empty and every item
// freed once (which the sanitizers check), and the list usable again.
TEST(NamedList, FreeingOnTwoThreads) {
  for (int sections : {0, 3, 300}) {
    SCOPED_TRACE(sections);
    cfg::Section document(cfg::kFileSection, "");
    for (int s = 0; s < sections; ++s) {
      cfg::Section* section = document.FindOrCreateSection("s" + std::to_string(s));
      for (int r = 0; r < 300; ++r) cfgtest::AddValue(section, "r" + std::to_string(r) + "[v]", static_cast<int32_t>(r));
    }
    document.FreeItemsOnTwoThreads();
    EXPECT_EQ(document.Count(), 0);
    EXPECT_EQ(document.FindByName("s1"), nullptr);
    cfgtest::AddValue(document.FindOrCreateSection("again"), "r[v]", 1);
    EXPECT_EQ(SaveToText(document), "{ again:\n    (int)r[v]=1\n} again;\n");
  }
}

// --- a large list against a model of the slot discipline ---

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// The slot rules written the plain way: a vector of optional names.
class SlotModel {
 public:
  int Add(const std::string* name) {
    if (name && !name->empty() && IndexOf(*name) != 0) return 0;
    int index;
    if (!empty_.empty()) {
      index = *empty_.begin();
      empty_.erase(empty_.begin());
    } else {
      slots_.emplace_back();
      index = static_cast<int>(slots_.size());
    }
    slots_[index - 1] = Slot{true, name ? *name : std::string()};
    if (name && !name->empty()) byName_[Lower(*name)].insert(index);
    return index;
  }
  int RemoveAt(int index) {
    if (index < 1 || index > Count() || !slots_[index - 1].used) return 0;
    Unindex(index);
    slots_[index - 1] = Slot{};
    empty_.insert(index);
    return index;
  }
  void Rename(int index, const std::string& name) {
    Unindex(index);
    slots_[index - 1].name = name;
    if (!name.empty()) byName_[Lower(name)].insert(index);
  }
  int IndexOf(const std::string& name) const {
    auto it = byName_.find(Lower(name));
    return it == byName_.end() || it->second.empty() ? 0 : *it->second.begin();
  }
  int FirstEmpty() const { return empty_.empty() ? 0 : *empty_.begin(); }
  int Count() const { return static_cast<int>(slots_.size()); }
  bool Used(int index) const { return slots_[index - 1].used; }
  const std::string& Name(int index) const { return slots_[index - 1].name; }

 private:
  struct Slot {
    bool used = false;
    std::string name;
  };
  void Unindex(int index) {
    const std::string& old = slots_[index - 1].name;
    if (!old.empty()) byName_[Lower(old)].erase(index);
  }
  std::vector<Slot> slots_;
  std::set<int> empty_;
  std::map<std::string, std::set<int>> byName_;
};

void ExpectSameSlots(const NamedList& list, const SlotModel& model) {
  ASSERT_EQ(list.Count(), model.Count());
  ASSERT_EQ(FirstEmptySlot(list), model.FirstEmpty());
  for (int i = 1; i <= model.Count(); ++i) {
    const NamedObject* item = list.ItemAt(i);
    ASSERT_EQ(item != nullptr, model.Used(i)) << "slot " << i;
    if (!item) continue;
    const char* name = item->GetName();
    ASSERT_EQ(name ? std::string(name) : std::string(), model.Name(i)) << "slot " << i;
  }
}

TEST(NamedList, LargeListFollowsTheSlotRules) {
  std::mt19937 random(7);
  auto pick = [&random](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  auto nameOf = [](int k) {
    // Mixed case, so that lookups and refusals have to ignore it.
    std::string name = "Item" + std::to_string(k);
    if (k % 3 == 0) name = Lower(name);
    return name;
  };
  auto caseVariant = [](std::string name) {
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return name;
  };

  NamedList list;
  SlotModel model;
  const int kItems = 10000;
  for (int k = 0; k < kItems; ++k) {
    std::string name = nameOf(k);
    auto item = std::make_unique<NamedObject>(name.c_str());
    ASSERT_EQ(list.Add(item), model.Add(&name));
    if (k % 100 == 0) {
      ASSERT_EQ(list.IndexOfName(caseVariant(name)), model.IndexOf(name));
    }
  }
  ExpectSameSlots(list, model);

  for (int step = 0; step < 40000; ++step) {
    int op = pick(100);
    if (op < 30) {  // remove a random slot (often an empty one late in the run)
      int index = 1 + pick(model.Count() + 2) - 1;
      ASSERT_EQ(list.RemoveAt(index), model.RemoveAt(index)) << "step " << step;
    } else if (op < 40) {  // remove by name
      std::string name = nameOf(pick(kItems + 500));
      ASSERT_EQ(RemoveByName(list, caseVariant(name).c_str()), model.RemoveAt(model.IndexOf(name)))
          << "step " << step;
    } else if (op < 65) {  // add a name, new or taken
      std::string name = nameOf(pick(kItems + 500));
      auto item = std::make_unique<NamedObject>(name.c_str());
      int got = list.Add(item);
      ASSERT_EQ(got, model.Add(&name)) << "step " << step << " " << name;
      ASSERT_EQ(got == 0, item != nullptr);
    } else if (op < 68) {  // add an unnamed item
      auto item = std::make_unique<NamedObject>();
      ASSERT_EQ(list.Add(item), model.Add(nullptr)) << "step " << step;
    } else if (op < 80) {  // rename an item, often to a sibling's name
      int index = 1 + pick(model.Count());
      if (!model.Used(index)) continue;
      std::string name;
      int kind = pick(10);
      if (kind < 6) {
        int other = 1 + pick(model.Count());
        name = model.Used(other) ? caseVariant(model.Name(other)) : "";
      } else if (kind < 9) {
        name = nameOf(pick(kItems + 500));
      }
      list.ItemAt(index)->SetName(name.c_str());
      model.Rename(index, name);
    } else {  // look up
      std::string name = nameOf(pick(kItems + 500));
      ASSERT_EQ(list.IndexOfName(caseVariant(name)), model.IndexOf(name)) << "step " << step;
      ASSERT_EQ(list.IndexOfName(name.c_str()), model.IndexOf(name)) << "step " << step;
    }
    if (step % 5000 == 0) ExpectSameSlots(list, model);
  }
  ExpectSameSlots(list, model);
  for (int k = 0; k < kItems + 500; ++k) {
    ASSERT_EQ(list.IndexOfName(nameOf(k)), model.IndexOf(nameOf(k))) << nameOf(k);
  }

  // A copy keeps the first of equal names, packed in slot order.
  NamedList copy(list);
  SlotModel packed;
  for (int i = 1; i <= model.Count(); ++i) {
    if (!model.Used(i)) continue;
    std::string name = model.Name(i);
    packed.Add(name.empty() ? nullptr : &name);
  }
  ExpectSameSlots(copy, packed);
}

// Lists that grow past any size threshold and shrink back keep finding items.
TEST(NamedList, LookupsAcrossGrowthAndRemoval) {
  NamedList list;
  for (int n = 1; n <= 3000; ++n) {
    std::string name = "n" + std::to_string(n);
    auto item = std::make_unique<NamedObject>(name.c_str());
    ASSERT_EQ(list.Add(item), n);
    ASSERT_EQ(list.IndexOfName("N1"), 1) << "after " << n;
    ASSERT_EQ(list.IndexOfName("N" + std::to_string(n)), n);
  }
  for (int n = 3000; n >= 2; --n) {
    ASSERT_EQ(list.RemoveAt(n), n);
    ASSERT_EQ(list.IndexOfName("n" + std::to_string(n)), 0);
    ASSERT_EQ(list.IndexOfName("n1"), 1);
  }
  EXPECT_EQ(FirstEmptySlot(list), 2);
  auto again = Item("n2999");
  EXPECT_EQ(list.Add(again), 2);
  EXPECT_EQ(list.IndexOfName("N2999"), 2);
}

}  // namespace

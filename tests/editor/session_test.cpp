// The editor's document session without a window: each command's rules and
// refusals, its undo and redo, the open routine's doors, and a seeded random
// run of commands that is undone and redone whole.
#include "editor/document_session.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "config/config_stream.h"

namespace {

using editor::DocumentSession;
using editor::Outcome;
using editor::Spot;
using editor::ValueFields;

constexpr int kInt = static_cast<int>(cfg::ValueType::Int);
constexpr int kString = static_cast<int>(cfg::ValueType::String);

// A compact picture of a tree in slot order: sections name{...}, records
// name[...], int values i:name=5, string values s:name=text, other types by
// their type code.
std::string Dump(const cfg::Section* section) {
  std::string out;
  for (int i = 1; i <= section->Count(); ++i) {
    const cfg::NamedObject* item = section->ItemAt(i);
    if (item == nullptr) continue;
    if (!out.empty()) out += ',';
    out += item->NameView();
    auto* node = static_cast<const cfg::ConfigNode*>(item);
    if (!node->IsRecord()) {
      out += '{' + Dump(static_cast<const cfg::Section*>(node)) + '}';
      continue;
    }
    auto* record = static_cast<const cfg::Record*>(node);
    out += '[';
    bool first = true;
    for (int j = 1; j <= record->Count(); ++j) {
      const cfg::Value* value = record->ValueAt(j);
      if (value->Type() == cfg::ValueType::None) continue;
      if (!first) out += ',';
      first = false;
      std::string name(value->NameView());
      if (value->Type() == cfg::ValueType::Int)
        out += "i:" + name + "=" + std::to_string(value->GetInt());
      else if (value->Type() == cfg::ValueType::String)
        out += "s:" + name + "=" + value->GetString();
      else
        out += std::to_string(static_cast<int>(value->Type())) + ":" + name;
    }
    out += ']';
  }
  return out;
}

// The bytes a save of the document writes.
std::string Saved(const cfg::Section* document) {
  cfg::ConfigStream out(cfg::InMemory{});
  EXPECT_TRUE(document->SaveTo(out));
  return out.Output();
}

class TempFolder {
 public:
  TempFolder() {
    char pattern[] = "/tmp/session_test_XXXXXX";
    path_ = mkdtemp(pattern);
  }
  ~TempFolder() { std::system(("rm -rf '" + path_ + "'").c_str()); }
  std::string Write(const std::string& name, const std::string& text) const {
    std::string path = path_ + "/" + name;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
    return path;
  }
  std::string Path(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

constexpr char kBase[] =
    "{ net:\n"
    "  (int)server[port]=80\n"
    "  (string)server[host]=example.org\n"
    "  { proxy:\n"
    "    (int)conf[port]=3128\n"
    "  } proxy;\n"
    "} net;\n"
    "(int)top[n]=1\n";
constexpr char kBaseDump[] = "net{server[i:port=80,s:host=example.org],proxy{conf[i:port=3128]}},top[i:n=1]";

// The base document opened in a session, and its parts by name.
struct Opened {
  TempFolder folder;
  DocumentSession session;
  cfg::Section* doc = nullptr;
  cfg::Section* net = nullptr;
  cfg::Section* proxy = nullptr;
  cfg::Record* server = nullptr;
  cfg::Value* port = nullptr;
  std::string bytes;  // what a save right after opening writes

  Opened() {
    session.Open(folder.Write("base.cfg", kBase), editor::Door::OpenDialog);
    doc = session.Document();
    net = doc->FindOrCreateSection("net");
    proxy = net->FindOrCreateSection("proxy");
    server = net->RecordByName("server");
    port = server->ValueAt(1);
    bytes = Saved(doc);
  }
};

struct CommandCase {
  const char* name;
  std::function<Outcome(Opened&)> run;
  const char* refusal;  // a part of the reason; nullptr when the command is carried out
  Spot spot;
  const char* after;  // the dump afterwards (the base when refused)
};

TEST(SessionCommands, RefuseWithReasonOrApplyAndUndoAndRedo) {
  const std::vector<CommandCase> cases = {
      {"Section Add", [](Opened& o) { return o.session.AddSection(o.net, "cache"); }, nullptr,
       Spot::None, "net{server[i:port=80,s:host=example.org],proxy{conf[i:port=3128]},cache{}},top[i:n=1]"},
      {"Section Add, a record's name in another case",
       [](Opened& o) { return o.session.AddSection(o.net, "SERVER"); }, "record of that name",
       Spot::SectionName, kBaseDump},
      {"Section Add, a section's name", [](Opened& o) { return o.session.AddSection(o.net, "Proxy"); },
       "section of that name", Spot::SectionName, kBaseDump},
      {"Section Add, empty field", [](Opened& o) { return o.session.AddSection(o.net, nullptr); },
       "it is empty", Spot::SectionName, kBaseDump},
      {"Section Add, a name a save cuts", [](Opened& o) { return o.session.AddSection(o.net, "a:b"); },
       "it holds \":\"", Spot::SectionName, kBaseDump},
      {"Section Add, no section current", [](Opened& o) { return o.session.AddSection(nullptr, "x"); },
       "No section", Spot::Tree, kBaseDump},
      {"Section Delete", [](Opened& o) { return o.session.DeleteSection(o.proxy); }, nullptr,
       Spot::None, "net{server[i:port=80,s:host=example.org]},top[i:n=1]"},
      {"Section Delete, the document", [](Opened& o) { return o.session.DeleteSection(o.doc); },
       "document itself", Spot::Tree, kBaseDump},
      {"Section Delete, nothing selected", [](Opened& o) { return o.session.DeleteSection(nullptr); },
       "No section", Spot::Tree, kBaseDump},
      {"Section Update", [](Opened& o) { return o.session.RenameSection(o.proxy, "PROXY"); }, nullptr,
       Spot::None, "net{server[i:port=80,s:host=example.org],PROXY{conf[i:port=3128]}},top[i:n=1]"},
      {"Section Update, a record's name", [](Opened& o) { return o.session.RenameSection(o.proxy, "Server"); },
       "record of that name", Spot::SectionName, kBaseDump},
      {"Section Update, a name a save cuts", [](Opened& o) { return o.session.RenameSection(o.proxy, " x"); },
       "begins with a blank", Spot::SectionName, kBaseDump},
      {"Record Add", [](Opened& o) { return o.session.AddRecord(o.net, "extra"); }, nullptr, Spot::None,
       "net{server[i:port=80,s:host=example.org],proxy{conf[i:port=3128]},extra[]},top[i:n=1]"},
      {"Record Add, an existing record", [](Opened& o) { return o.session.AddRecord(o.net, "Server"); },
       "record of that name", Spot::RecordName, kBaseDump},
      {"Record Add, a section's name", [](Opened& o) { return o.session.AddRecord(o.net, "proxy"); },
       "section of that name", Spot::RecordName, kBaseDump},
      {"Record Add, a name a save cuts", [](Opened& o) { return o.session.AddRecord(o.net, "a[b"); },
       "it holds \"[\"", Spot::RecordName, kBaseDump},
      {"Record Update", [](Opened& o) { return o.session.RenameRecord(o.server, "web"); }, nullptr,
       Spot::None, "net{web[i:port=80,s:host=example.org],proxy{conf[i:port=3128]}},top[i:n=1]"},
      {"Record Update, its own name in another case",
       [](Opened& o) { return o.session.RenameRecord(o.server, "SERVER"); }, "has that name already",
       Spot::RecordName, kBaseDump},
      {"Record Update, a sibling section's name",
       [](Opened& o) { return o.session.RenameRecord(o.server, "proxy"); }, "section of that name",
       Spot::RecordName, kBaseDump},
      {"Record Update, empty field", [](Opened& o) { return o.session.RenameRecord(o.server, nullptr); },
       "it is empty", Spot::RecordName, kBaseDump},
      {"Record Update, nothing selected", [](Opened& o) { return o.session.RenameRecord(nullptr, "x"); },
       "No record", Spot::Records, kBaseDump},
      {"Record Delete", [](Opened& o) { return o.session.DeleteRecord(o.server); }, nullptr, Spot::None,
       "net{proxy{conf[i:port=3128]}},top[i:n=1]"},
      {"Record Delete, nothing selected", [](Opened& o) { return o.session.DeleteRecord(nullptr); },
       "No record", Spot::Records, kBaseDump},
      {"Value Add, int",
       [](Opened& o) { return o.session.AddValue(o.server, {"timeout", "0x1F", kInt}); }, nullptr,
       Spot::None, "net{server[i:port=80,s:host=example.org,i:timeout=31],proxy{conf[i:port=3128]}},top[i:n=1]"},
      {"Value Add, unnamed empty string",
       [](Opened& o) { return o.session.AddValue(o.server, {nullptr, nullptr, kString}); }, nullptr,
       Spot::None, "net{server[i:port=80,s:host=example.org,s:=],proxy{conf[i:port=3128]}},top[i:n=1]"},
      {"Value Add, a taken name in another case",
       [](Opened& o) { return o.session.AddValue(o.server, {"PORT", "1", kInt}); }, "value of that name",
       Spot::ValueName, kBaseDump},
      {"Value Add, no number", [](Opened& o) { return o.session.AddValue(o.server, {"t", "x12", kInt}); },
       "needs a number", Spot::ValueText, kBaseDump},
      {"Value Add, empty int", [](Opened& o) { return o.session.AddValue(o.server, {"t", nullptr, kInt}); },
       "needs a number", Spot::ValueText, kBaseDump},
      {"Value Add, no type", [](Opened& o) { return o.session.AddValue(o.server, {"t", "1", 0}); },
       "No type", Spot::ValueType, kBaseDump},
      {"Value Add, a name a save cuts",
       [](Opened& o) { return o.session.AddValue(o.server, {"a]b", "1", kInt}); }, "holds \"]\"",
       Spot::ValueName, kBaseDump},
      {"Value Add, a string a save cuts",
       [](Opened& o) { return o.session.AddValue(o.server, {"t", "a\nb", kString}); }, "line break",
       Spot::ValueText, kBaseDump},
      {"Value Add, no record", [](Opened& o) { return o.session.AddValue(nullptr, {"t", "1", kInt}); },
       "No record", Spot::Records, kBaseDump},
      {"Value Update keeps the slot",
       [](Opened& o) { return o.session.UpdateValue(o.server, o.port, {"port", "8080", kInt}); }, nullptr,
       Spot::None, "net{server[i:port=8080,s:host=example.org],proxy{conf[i:port=3128]}},top[i:n=1]"},
      {"Value Update to another value's name",
       [](Opened& o) { return o.session.UpdateValue(o.server, o.port, {"host", "1", kInt}); },
       "value of that name", Spot::ValueName, kBaseDump},
      {"Value Update without a value adds",
       [](Opened& o) { return o.session.UpdateValue(o.server, nullptr, {"x", "y", kString}); }, nullptr,
       Spot::None, "net{server[i:port=80,s:host=example.org,s:x=y],proxy{conf[i:port=3128]}},top[i:n=1]"},
      {"Value Delete", [](Opened& o) { return o.session.DeleteValue(o.server, o.port); }, nullptr, Spot::None,
       "net{server[s:host=example.org],proxy{conf[i:port=3128]}},top[i:n=1]"},
      {"Value Delete, nothing selected", [](Opened& o) { return o.session.DeleteValue(o.server, nullptr); },
       "No value", Spot::Values, kBaseDump},
      {"Value Delete, no record selected", [](Opened& o) { return o.session.DeleteValue(nullptr, o.port); },
       "No record", Spot::Records, kBaseDump},
      {"Paste, nothing copied", [](Opened& o) { return o.session.Paste(o.net); }, "Nothing is copied",
       Spot::Tree, kBaseDump},
      {"Copy, the document", [](Opened& o) { return o.session.Copy(o.doc); }, "document itself",
       Spot::Tree, kBaseDump},
      {"Paste into the copied section",
       [](Opened& o) {
         o.session.Copy(o.proxy);
         return o.session.Paste(o.proxy);
       },
       nullptr, Spot::None,
       "net{server[i:port=80,s:host=example.org],proxy{conf[i:port=3128],proxy{conf[i:port=3128]}}},top[i:n=1]"},
      {"Paste beside the copied section",
       [](Opened& o) {
         o.session.Copy(o.proxy);
         return o.session.Paste(o.net);
       },
       "of the copy's name", Spot::Tree, kBaseDump},
  };
  for (const CommandCase& c : cases) {
    SCOPED_TRACE(c.name);
    Opened o;
    Outcome outcome = c.run(o);
    EXPECT_EQ(Dump(o.doc), c.after);
    if (c.refusal != nullptr) {
      EXPECT_NE(outcome.reason.find(c.refusal), std::string::npos) << outcome.reason;
      EXPECT_EQ(outcome.spot, c.spot);
      EXPECT_FALSE(o.session.CanUndo());
      continue;
    }
    ASSERT_TRUE(outcome.Done()) << outcome.reason;
    const std::string done = Saved(o.doc);
    ASSERT_TRUE(o.session.CanUndo());
    EXPECT_FALSE(o.session.CanRedo());
    EXPECT_TRUE(o.session.Undo().Done());
    EXPECT_EQ(Dump(o.doc), kBaseDump);
    EXPECT_EQ(Saved(o.doc), o.bytes);
    EXPECT_FALSE(o.session.CanUndo());
    EXPECT_TRUE(o.session.Redo().Done());
    EXPECT_EQ(Saved(o.doc), done);
    EXPECT_FALSE(o.session.CanRedo());
  }
}

TEST(SessionCommands, AByteArraysRecordKeepsTheNameRulesOfAnArrayBlock) {
  TempFolder folder;
  DocumentSession session;
  session.Open(folder.Write("blob.cfg", "[ blob[b]:\n  01\n  FE\n] blob[b];\n"), editor::Door::OpenDialog);
  cfg::Record* blob = session.Document()->RecordByName("blob");
  ASSERT_FALSE(blob->IsNull());
  Outcome refused = session.RenameRecord(blob, "a:b");
  EXPECT_NE(refused.reason.find("it holds \":\""), std::string::npos) << refused.reason;
  EXPECT_EQ(refused.spot, Spot::RecordName);
  ASSERT_TRUE(session.RenameRecord(blob, "bytes").Done());
  EXPECT_EQ(Dump(session.Document()), "bytes[5:b]");
}

TEST(SessionHistory, KeepsTheRemovedItemsThemselves) {
  Opened o;
  ASSERT_TRUE(o.session.DeleteSection(o.proxy).Done());
  ASSERT_TRUE(o.session.DeleteValue(o.server, o.port).Done());
  Outcome undone = o.session.Undo();
  EXPECT_EQ(undone.change.value, o.port);
  EXPECT_EQ(o.server->ValueAt(1), o.port);
  undone = o.session.Undo();
  EXPECT_EQ(undone.change.tree, editor::Change::Tree::Added);
  EXPECT_EQ(undone.change.section, o.proxy);
  EXPECT_EQ(undone.change.parent, o.net);
  EXPECT_EQ(o.net->FindByName("proxy"), o.proxy);
  EXPECT_EQ(Saved(o.doc), o.bytes);
}

TEST(SessionHistory, PasteUndoneLeavesTheClipboardEmptyAndCopyRecordsNothing) {
  Opened o;
  ASSERT_TRUE(o.session.Copy(o.proxy).Done());
  EXPECT_FALSE(o.session.CanUndo());
  ASSERT_TRUE(o.session.Paste(o.proxy).Done());
  EXPECT_EQ(o.session.Clipboard(), nullptr);
  o.session.Undo();
  EXPECT_EQ(o.session.Clipboard(), nullptr);
  EXPECT_EQ(o.session.Paste(o.proxy).reason.find("Nothing is copied"), 0u);
}

TEST(SessionHistory, ANewCommandDropsWhatWasUndoneAndRenamingTheDocumentIsNoStep) {
  Opened o;
  ASSERT_TRUE(o.session.AddRecord(o.net, "a").Done());
  o.session.Undo();
  ASSERT_TRUE(o.session.AddRecord(o.net, "b").Done());
  EXPECT_FALSE(o.session.CanRedo());
  ASSERT_TRUE(o.session.RenameSection(o.doc, "/elsewhere.cfg").Done());
  EXPECT_STREQ(o.session.Path(), "/elsewhere.cfg");
  o.session.Undo();
  EXPECT_FALSE(o.session.CanUndo());
  EXPECT_STREQ(o.session.Path(), "/elsewhere.cfg");
}

TEST(SessionHistory, NewAndOpenStartAnewAndSaveKeepsIt) {
  Opened o;
  ASSERT_TRUE(o.session.AddRecord(o.net, "a").Done());
  EXPECT_TRUE(o.session.SaveAs(o.folder.Path("copy.cfg").c_str()).written);
  struct stat status {};
  EXPECT_NE(stat((o.folder.Path("copy.cfg") + ".lock").c_str(), &status), 0) << "the writer lock stayed";
  EXPECT_TRUE(o.session.CanUndo());
  o.session.Undo();
  EXPECT_EQ(o.session.Path(), o.folder.Path("copy.cfg"));
  o.session.Redo();
  o.session.New();
  EXPECT_FALSE(o.session.CanUndo());
  EXPECT_TRUE(o.session.AddSection(o.session.Document(), "x").Done());
  o.session.Open(o.folder.Path("copy.cfg"), editor::Door::Drop);
  EXPECT_FALSE(o.session.CanUndo());
  EXPECT_FALSE(o.session.CanRedo());
}

// A name read from a file can be one that a save changes ("s-;x" closes as
// "s-", and the blocks after it nest inside it): Save refuses, says which
// name, and leaves the file alone until the section is gone.
TEST(SessionSave, RefusesANameReadFromTheFileThatASaveWouldChange) {
  TempFolder folder;
  const std::string before = "(int)r[a]=1\n{ s-;x:\n} s;\n";
  const std::string path = folder.Write("F.cfg", before);
  DocumentSession session;
  session.Open(path, editor::Door::OpenDialog);
  cfg::Section* bad = session.Document()->FindOrCreateSection("s-;x");
  ASSERT_NE(bad, nullptr);

  editor::SaveOutcome refused = session.Save();
  EXPECT_FALSE(refused.written);
  EXPECT_NE(refused.reason.find("\"s-;x\""), std::string::npos) << refused.reason;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  ASSERT_NE(file, nullptr);
  std::string after(before.size() + 1, '\0');
  after.resize(std::fread(&after[0], 1, after.size(), file));
  std::fclose(file);
  EXPECT_EQ(after, before);

  ASSERT_TRUE(session.DeleteSection(bad).Done());
  EXPECT_TRUE(session.Save().written);
}

TEST(SessionOpen, EachDoorLeavesItsStateOnFailure) {
  struct Case {
    const char* name;
    editor::Door door;
    const char* file;  // "" missing, "/" a folder (there, but no file to read)
    bool loaded;
    bool keepsPath;
    bool main;  // an empty MAIN is current
    bool placeholder;
  };
  const Case cases[] = {
      {"start-up, readable", editor::Door::CommandLine, kBase, true, true, false, false},
      {"start-up, missing", editor::Door::CommandLine, "", false, true, true, false},
      {"start-up, unreadable", editor::Door::CommandLine, "/", false, false, true, false},
      {"drop, missing", editor::Door::Drop, "", false, true, true, false},
      {"drop, unreadable", editor::Door::Drop, "/", false, false, true, false},
      {"Open, missing", editor::Door::OpenDialog, "", false, false, false, true},
      {"Open, unreadable", editor::Door::OpenDialog, "/", false, false, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    std::string path = folder.Path("f.cfg");
    if (std::string(c.file) == "/")
      mkdir(path.c_str(), 0700);
    else if (*c.file != '\0')
      folder.Write("f.cfg", c.file);
    DocumentSession session;
    session.AddSection(session.Document(), "old");
    editor::Opened opened = session.Open(path, c.door);
    EXPECT_EQ(opened.loaded, c.loaded);
    EXPECT_EQ(std::string(session.Path()), c.keepsPath ? path : "");
    EXPECT_EQ(session.Document()->IsNull(), c.placeholder);
    EXPECT_EQ(session.Document()->IsFile(), !c.placeholder);
    EXPECT_FALSE(session.CanUndo());
    if (c.main) {
      EXPECT_EQ(Dump(session.Document()), "MAIN{}");
      EXPECT_EQ(opened.current, session.Document()->SectionAt(1));
    } else {
      EXPECT_EQ(opened.current, nullptr);
    }
    if (c.loaded) {
      EXPECT_EQ(Dump(session.Document()), kBaseDump);
    }
  }
}

// ---------------------------------------------------------------------------
// A seeded random run

// Every section (the document first), record and value of a document.
struct Parts {
  std::vector<cfg::Section*> sections;
  std::vector<cfg::Record*> records;
  std::vector<cfg::Value*> values;
};

Parts PartsOf(cfg::Section* document) {
  Parts parts;
  parts.sections.push_back(document);
  for (size_t next = 0; next < parts.sections.size(); ++next) {
    cfg::Section* section = parts.sections[next];
    for (int i = 1; i <= section->Count(); ++i) {
      if (!section->SectionAt(i)->IsNull()) parts.sections.push_back(section->SectionAt(i));
      if (!section->RecordAt(i)->IsNull()) parts.records.push_back(section->RecordAt(i));
    }
  }
  for (cfg::Record* record : parts.records)
    for (int i = 1; i <= record->Count(); ++i)
      if (record->ValueAt(i)->Type() != cfg::ValueType::None) parts.values.push_back(record->ValueAt(i));
  return parts;
}

// A few names that collide in letter case, and some that a save would cut.
const char* const kNames[] = {"a", "A", "b", "B", "c", "MAIN", "x:y", "p[q", "v]w", "=", nullptr};
const char* const kTexts[] = {"0", "17", "-0x10", "012", "x", "", nullptr, "2147483648", "text"};

std::string RandomDocumentText(std::mt19937& random) {
  cfg::Section document(cfg::kFileSection, "");
  std::vector<cfg::Section*> sections{&document};
  for (int i = 0; i < 12; ++i) {
    cfg::Section* parent = sections[random() % sections.size()];
    if (cfg::Section* section = parent->FindOrCreateSection(kNames[random() % 6]))
      sections.push_back(section);
  }
  for (int i = 0; i < 20; ++i) {
    cfg::Record* record = sections[random() % sections.size()]->FindOrCreateRecord(kNames[random() % 6]);
    if (record == nullptr) continue;
    const char* name = random() % 4 == 0 ? nullptr : kNames[random() % 6];
    switch (random() % 4) {
      case 0: record->CreateIntValue(name, static_cast<int32_t>(random() % 1000)); break;
      case 1: record->CreateStringValue(name, kTexts[random() % 5]); break;
      case 2: {
        auto value = std::make_unique<cfg::Value>(0.5);
        value->SetName(name);
        record->AddChild(value);
        break;
      }
      default: {
        const uint8_t bytes[] = {0xDE, 0xAD};
        record->CreateBinaryValue(name, bytes, 2);
      }
    }
  }
  return Saved(&document);
}

// One random command with random arguments, valid or not; true when it was carried out.
bool RandomCommand(DocumentSession& session, std::mt19937& random) {
  Parts parts = PartsOf(session.Document());
  auto pick = [&random](auto& list) { return list.empty() || random() % 8 == 0 ? nullptr : list[random() % list.size()]; };
  const char* name = kNames[random() % std::size(kNames)];
  ValueFields fields{kNames[random() % std::size(kNames)], kTexts[random() % std::size(kTexts)],
                     static_cast<int>(random() % 3 == 0 ? 0 : random() % 2 == 0 ? kInt : kString)};
  switch (random() % 11) {
    case 0: return session.AddSection(pick(parts.sections), name).Done();
    case 1: return session.DeleteSection(pick(parts.sections)).Done();
    case 2: {
      cfg::Section* section = pick(parts.sections);
      if (section == session.Document()) return false;  // renaming the document is not a step
      return session.RenameSection(section, name).Done();
    }
    case 3: return session.AddRecord(pick(parts.sections), name).Done();
    case 4: return session.RenameRecord(pick(parts.records), name).Done();
    case 5: return session.DeleteRecord(pick(parts.records)).Done();
    case 6: return session.AddValue(pick(parts.records), fields).Done();
    case 7: {
      cfg::Value* value = pick(parts.values);
      auto* record = value != nullptr ? const_cast<cfg::Record*>(static_cast<const cfg::Record*>(value->Owner()))
                                      : pick(parts.records);
      return session.DeleteValue(record, value).Done();
    }
    case 8: {
      cfg::Value* value = pick(parts.values);
      auto* record = value != nullptr ? const_cast<cfg::Record*>(static_cast<const cfg::Record*>(value->Owner()))
                                      : pick(parts.records);
      return session.UpdateValue(record, value, fields).Done();
    }
    case 9: session.Copy(pick(parts.sections)); return false;
    default: return session.Paste(pick(parts.sections)).Done();
  }
}

TEST(SessionProperty, UndoingEverythingSavesTheOpenedBytesAndRedoingEverythingWhatWasMade) {
  constexpr int kSeeds = 40;
  constexpr int kActions = 150;
  const unsigned firstSeed = std::getenv("SESSION_SEED") != nullptr ? std::atoi(std::getenv("SESSION_SEED")) : 1;
  for (unsigned seed = firstSeed; seed < firstSeed + kSeeds; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    TempFolder folder;
    DocumentSession session;
    session.Open(folder.Write("random.cfg", RandomDocumentText(random)), editor::Door::CommandLine);
    // The text after each step still done, the opened one first.
    std::vector<std::string> states{Saved(session.Document())};
    size_t at = 0;
    for (int action = 0; action < kActions; ++action) {
      const unsigned roll = random() % 10;
      if (roll == 0 && session.CanUndo()) {
        ASSERT_TRUE(session.Undo().Done());
        ASSERT_EQ(Saved(session.Document()), states[--at]) << "undo at action " << action;
      } else if (roll == 1 && session.CanRedo()) {
        ASSERT_TRUE(session.Redo().Done());
        ASSERT_EQ(Saved(session.Document()), states[++at]) << "redo at action " << action;
      } else if (RandomCommand(session, random)) {
        states.resize(++at);
        states.push_back(Saved(session.Document()));
      }
      ASSERT_EQ(session.CanUndo(), at > 0);
      ASSERT_EQ(session.CanRedo(), at + 1 < states.size());
    }
    while (session.CanUndo()) ASSERT_TRUE(session.Undo().Done());
    EXPECT_EQ(Saved(session.Document()), states.front());
    while (session.CanRedo()) ASSERT_TRUE(session.Redo().Done());
    EXPECT_EQ(Saved(session.Document()), states.back());
  }
}

}  // namespace

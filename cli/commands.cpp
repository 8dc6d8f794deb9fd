#include "commands.h"

#include <cstdio>
#include <memory>
#include <vector>

#include "config/config_node.h"
#include "config/config_stream.h"
#include "config/name_rules.h"
#include "config/tree_search.h"
#include "config/value.h"
#include "config/value_rules.h"
#include "config/value_text.h"
#include "config/writer_lock.h"
#include "config_path.h"
#include "json_load.h"
#include "load_findings.h"
#include "text_sink.h"
#include "tool_io.h"
#include "tree_dump.h"
#include "value_argument.h"

namespace cfgtool {

namespace {

// Loads the whole of stream into document. A read error before the end of
// the input is reported and gives false: a cut-off document is never taken
// for the file.
bool LoadWhole(cfg::Section& document, cfg::ConfigStream& stream, const std::string& file,
               cfg::LoadObserver* observer = nullptr) {
  if (document.LoadFrom(stream, observer)) return true;
  ReportError(file, "read error");
  return false;
}

}  // namespace

// Loads FILE into a fresh document; nullptr after reporting the error.
cfg::DocumentPtr LoadDocument(const std::string& file) {
  std::unique_ptr<cfg::ConfigStream> stream = OpenInput(file);
  if (!stream) return nullptr;
  cfg::DocumentPtr document(new cfg::Section(cfg::kFileSection, file.c_str()));
  if (!LoadWhole(*document, *stream, file)) return nullptr;
  return document;
}

void KeepUntilExit(cfg::DocumentPtr document) {
  // Never destroyed, so that it holds its documents to the very end.
  static auto* kept = new std::vector<cfg::Section*>();
  kept->push_back(document.release());
}

bool MayWrite(const cfg::WriterLock& lock, const std::string& file) {
  if (lock.MayWrite()) return true;
  if (lock.GetState() == cfg::WriterLock::State::Busy) ReportError(file, "locked by another writer");
  else ReportError(file, "can not create the lock file " + lock.LockPath() + ": " + lock.Error());
  return false;
}

namespace {

// Writes the document to standard output as a save writes it; false after
// reporting a write error.
bool SaveToStdout(const cfg::Section& document) {
  cfg::ConfigStream out(stdout, cfg::ConfigStream::WriteMode, false);
  if (document.SaveTo(out)) return true;
  ReportError("", "standard output: write error");
  return false;
}


// Saves the document over FILE, unless it holds a name (read from the file)
// that the save would not give back; false after reporting either failure.
bool SaveInPlace(const cfg::Section& document, const std::string& file) {
  const bool namesSurvive = cfg::NamesSurviveSave(document, [&](const cfg::SearchHit& item, const char* problem) {
    ReportError(file, HitPath(item) + ": this name would not survive a save (" + problem +
                          "); the file is left as it was");
  });
  if (!namesSurvive) return false;
  if (document.Save() == 0) {
    ReportError(file, "can not write the file; it is left as it was");
    return false;
  }
  return true;
}

// Where a PATH leads in a document.
struct Target {
  cfg::Section* parent = nullptr;  // the section holding the named section or record
  int index = 0;                   // its slot in parent
  cfg::Record* record = nullptr;   // the record, when the path names one
  int valueIndex = 0;              // the value's slot in record; 0 when none
};

// The slot of the first value without a name; 0 when there is none.
int FirstUnnamedValue(const cfg::Record& record) {
  for (int i = 1; i <= record.Count(); ++i) {
    const cfg::Value* value = record.ValueAt(i);
    if (!value->IsNone() && value->GetName() == nullptr) return i;
  }
  return 0;
}

// Follows path from the document. With create set, missing sections (their
// names checked first) and a missing record are made; the record's name is
// the value's to judge (ValueProblem). Returns kSuccess, or the exit status
// after reporting the error.
int Walk(cfg::Section& document, const ConfigPath& path, const std::string& file,
         const std::string& pathText, bool create, Target* target) {
  auto fail = [&](int status, const std::string& message) {
    ReportError(file, pathText + ": " + message);
    return status;
  };
  cfg::Section* section = &document;
  for (size_t i = 0; i < path.sections.size(); ++i) {
    const std::string& name = path.sections[i];
    int index = section->IndexOfName(name);
    if (index == 0) {
      if (!create) return fail(kNotFound, "no section " + Quoted(name));
      if (const char* problem = cfg::NameProblem(cfg::NameUse::Section, name))
        return fail(kFailure, "section name " + Quoted(name) + " would not survive a save: " + problem);
      cfg::Section* child = section->FindOrCreateSection(name);
      index = section->IndexOfName(name);
      if (child == nullptr || index == 0) return fail(kFailure, "can not create section " + Quoted(name));
    }
    auto node = dynamic_cast<cfg::ConfigNode*>(section->ItemAt(index));
    if (node == nullptr || node->IsRecord())
      return fail(kFailure, Quoted(name) + " is a record, not a section");
    target->parent = section;
    target->index = index;
    section = static_cast<cfg::Section*>(node);
  }
  if (path.NamesSection()) return kSuccess;

  int index = section->IndexOfName(path.record);
  if (index == 0) {
    if (!create) return fail(kNotFound, "no record " + Quoted(path.record));
    if (section->FindOrCreateRecord(path.record) == nullptr || (index = section->IndexOfName(path.record)) == 0)
      return fail(kFailure, "can not create record " + Quoted(path.record));
  }
  auto node = dynamic_cast<cfg::ConfigNode*>(section->ItemAt(index));
  if (node == nullptr || !node->IsRecord())
    return fail(kFailure, Quoted(path.record) + " is a section, not a record");
  target->parent = section;
  target->index = index;
  target->record = static_cast<cfg::Record*>(node);
  target->valueIndex = path.HasValueName() ? target->record->IndexOfName(path.value)
                                           : FirstUnnamedValue(*target->record);
  return kSuccess;
}

std::string NotFoundValue(const ConfigPath& path) {
  if (path.HasValueName()) return "no value " + Quoted(path.value) + " in record " + Quoted(path.record);
  return "no unnamed value in record " + Quoted(path.record);
}

bool ParsePath(const std::string& file, const std::string& text, ConfigPath* path) {
  std::string error;
  if (!ParseConfigPath(text, path, &error)) {
    ReportError(file, "bad path " + Quoted(text) + ": " + error);
    return false;
  }
  return true;
}

}  // namespace

bool WriteDocument(cfg::Section& document, const std::string& target) {
  if (target == "-") return SaveToStdout(document);
  document.SetName(target);
  return SaveInPlace(document, target);
}

int RunFmt(const std::vector<std::string>& files, bool inPlace) {
  int status = kSuccess;
  for (const std::string& file : files) {
    if (inPlace && file == "-") {
      ReportError(file, "-i can not rewrite standard input");
      status = kFailure;
      continue;
    }
    std::unique_ptr<cfg::WriterLock> lock;
    if (inPlace) {
      lock = std::make_unique<cfg::WriterLock>(file);
      if (!MayWrite(*lock, file)) {
        status = kFailure;
        continue;
      }
    }
    cfg::DocumentPtr document = LoadDocument(file);
    if (!document) {
      status = kFailure;
      continue;
    }
    if (inPlace) {
      if (!SaveInPlace(*document, file)) status = kFailure;
    } else if (!SaveToStdout(*document)) {
      return kFailure;
    }
  }
  return status;
}

int RunCheck(const std::vector<std::string>& files) {
  int status = kSuccess;
  for (const std::string& file : files) {
    LoadFindings findings;
    std::unique_ptr<cfg::ConfigStream> stream = OpenInput(file);
    if (!stream) {
      status = kFailure;
      continue;
    }
    cfg::Section document(cfg::kFileSection, file.c_str());
    if (!LoadWhole(document, *stream, file, &findings)) {
      status = kFailure;
      continue;
    }
    findings.CheckRestUnread(*stream);
    stream.reset();
    std::unique_ptr<cfg::ConfigStream> again = OpenInput(file);
    if (!again) {
      status = kFailure;
      continue;
    }
    findings.ScanNames(*again);
    if (again->ReadFailed()) {
      ReportError(file, "read error");
      status = kFailure;
      continue;
    }

    std::string report;
    for (const Finding& finding : findings.Sorted())
      report += DisplayName(file) + ":" + std::to_string(finding.line) + ": " + finding.reason + "\n";
    if (!report.empty() && status == kSuccess) status = kNotFound;
    if (!WriteStdout(report)) return kFailure;
  }
  return status;
}

int RunGet(const std::string& file, const std::string& pathText) {
  ConfigPath path;
  if (!ParsePath(file, pathText, &path)) return kFailure;
  if (path.NamesSection()) {
    ReportError(file, pathText + ": names a section; get needs a value");
    return kFailure;
  }
  cfg::DocumentPtr document = LoadDocument(file);
  if (!document) return kFailure;
  Target target;
  int status = Walk(*document, path, file, pathText, false, &target);
  if (status != kSuccess) return status;
  if (target.valueIndex == 0) {
    ReportError(file, pathText + ": " + NotFoundValue(path));
    return kNotFound;
  }
  return WriteStdout(cfg::ValueText(*target.record->ValueAt(target.valueIndex)) + "\n") ? kSuccess : kFailure;
}

int RunSet(const std::string& file, const std::string& pathText, const std::string& typeWord,
           const std::string& text) {
  if (file == "-") {
    ReportError(file, "set needs a file to rewrite");
    return kFailure;
  }
  ConfigPath path;
  if (!ParsePath(file, pathText, &path)) return kFailure;
  if (path.NamesSection()) {
    ReportError(file, pathText + ": names a section; set needs a value");
    return kFailure;
  }
  cfg::ValueType type = cfg::TypeOfWord(typeWord);
  if (type == cfg::ValueType::None) {
    ReportError(file, "unknown type " + Quoted(typeWord) + " (" + TypeWordList() + ")");
    return kFailure;
  }
  std::string error;
  std::unique_ptr<cfg::Value> value = ParseValueArgument(type, text, &error);
  if (!value) {
    ReportError(file, typeWord + " " + Quoted(text) + ": " + error);
    return kFailure;
  }
  if (const char* problem = cfg::ValueProblem(path.record, path.value, *value)) {
    ReportError(file, pathText + ": " + problem);
    return kFailure;
  }

  cfg::WriterLock lock(file);
  if (!MayWrite(lock, file)) return kFailure;
  bool missing = false;
  std::unique_ptr<cfg::ConfigStream> stream = OpenInput(file, true, &missing);
  if (!stream && !missing) return kFailure;
  auto document = std::make_unique<cfg::Section>(cfg::kFileSection, file.c_str());
  if (stream && !LoadWhole(*document, *stream, file)) return kFailure;
  stream.reset();

  Target target;
  int status = Walk(*document, path, file, pathText, true, &target);
  if (status != kSuccess) return status;
  // A replaced value keeps its slot and the spelling of its name.
  if (target.valueIndex != 0) {
    value->SetName(target.record->ValueAt(target.valueIndex)->GetName());
    target.record->RemoveAt(target.valueIndex);
  } else if (path.HasValueName()) {
    value->SetName(path.value);
  }
  if (target.record->AddChild(value) == 0) {
    ReportError(file, pathText + ": can not add the value");
    return kFailure;
  }
  return SaveInPlace(*document, file) ? kSuccess : kFailure;
}

int RunDel(const std::string& file, const std::string& pathText) {
  if (file == "-") {
    ReportError(file, "del needs a file to rewrite");
    return kFailure;
  }
  ConfigPath path;
  if (!ParsePath(file, pathText, &path)) return kFailure;
  cfg::WriterLock lock(file);
  if (!MayWrite(lock, file)) return kFailure;
  cfg::DocumentPtr document = LoadDocument(file);
  if (!document) return kFailure;
  Target target;
  int status = Walk(*document, path, file, pathText, false, &target);
  if (status != kSuccess) return status;
  if (path.bracketed) {
    if (target.valueIndex == 0) {
      ReportError(file, pathText + ": " + NotFoundValue(path));
      return kNotFound;
    }
    target.record->RemoveAt(target.valueIndex);
  } else {
    target.parent->RemoveAt(target.index);  // the section or the whole record
  }
  return SaveInPlace(*document, file) ? kSuccess : kFailure;
}

int RunDump(const std::string& file, bool json) {
  cfg::DocumentPtr document = LoadDocument(file);
  if (!document) return kFailure;
  TextSink sink(stdout);
  if (json) WriteJson(*document, file, sink);
  else WriteOutline(*document, sink);
  if (!sink.Finish()) {
    ReportError("", "standard output: write error");
    return kFailure;
  }
  return kSuccess;
}

int RunFromJson(const std::string& jsonFile, const std::string& output) {
  std::string json;
  if (!ReadWholeFile(jsonFile, &json)) return kFailure;
  cfg::Section document(cfg::kFileSection, output.c_str());
  std::vector<std::string> problems;
  if (!LoadJson(json, document, &problems)) {
    // Enough lines to see every kind of fault; a tree can hold millions.
    constexpr size_t kMostProblemsReported = 100;
    for (size_t i = 0; i < problems.size() && i < kMostProblemsReported; ++i) ReportError(jsonFile, problems[i]);
    if (problems.size() > kMostProblemsReported)
      ReportError(jsonFile, std::to_string(problems.size() - kMostProblemsReported) + " more problems");
    return kFailure;
  }
  if (output.empty() || output == "-") return SaveToStdout(document) ? kSuccess : kFailure;
  cfg::WriterLock lock(output);
  if (!MayWrite(lock, output)) return kFailure;
  return SaveInPlace(document, output) ? kSuccess : kFailure;
}

}  // namespace cfgtool

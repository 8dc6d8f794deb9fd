#include "tree_sinks.h"

#include <charconv>
#include <cstring>

#include "config/value_type.h"

namespace bench {

TreeSink::~TreeSink() = default;

namespace {

constexpr size_t kFlushAt = 1 << 20;

// Text output with a large buffer and a byte count.
class BufferedSink : public TreeSink {
 public:
  explicit BufferedSink(std::FILE* file) : file_(file) { buffer_.reserve(kFlushAt + 4096); }

  bool Finish() override {
    Flush();
    if (file_ && std::fflush(file_) != 0) failed_ = true;
    return !failed_;
  }
  uint64_t Written() const override { return written_ + buffer_.size(); }

 protected:
  void Put(std::string_view text) { buffer_.append(text); }
  void Put(char c) { buffer_.push_back(c); }
  void Indent(int depth) { buffer_.append(static_cast<size_t>(depth) * 4, ' '); }
  template <class T>
  void PutInteger(T number) {
    char text[32];
    auto result = std::to_chars(text, text + sizeof text, number);
    buffer_.append(text, result.ptr);
  }
  void PutFormatted(const char* format, double number) {
    char text[64];
    int length = std::snprintf(text, sizeof text, format, number);
    buffer_.append(text, static_cast<size_t>(length));
  }
  // A real number that every peer reads as a floating value: it always holds
  // a decimal point.
  void PutReal(const char* format, double number) {
    char text[64];
    int length = std::snprintf(text, sizeof text, format, number);
    std::string_view view(text, static_cast<size_t>(length));
    if (view.find('.') != std::string_view::npos) {
      Put(view);
      return;
    }
    size_t exponent = view.find_first_of("eE");
    if (exponent == std::string_view::npos) exponent = view.size();
    Put(view.substr(0, exponent));
    Put(".0");
    Put(view.substr(exponent));
  }
  // A double-quoted string with backslash escapes.
  void PutQuoted(std::string_view text) {
    Put('"');
    for (char c : text) {
      if (c == '"' || c == '\\') Put('\\');
      Put(c);
    }
    Put('"');
  }
  void EndLine() {
    Put('\n');
    if (buffer_.size() >= kFlushAt) Flush();
  }

 private:
  void Flush() {
    if (file_ && !buffer_.empty() &&
        std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size()) {
      failed_ = true;
    }
    written_ += buffer_.size();
    buffer_.clear();
  }

  std::FILE* file_;
  std::string buffer_;
  uint64_t written_ = 0;
  bool failed_ = false;
};

// Our format, exactly as the core's writer lays it out.
class CfgSink : public BufferedSink {
 public:
  using BufferedSink::BufferedSink;
  void BeginSection(std::string_view name) override {
    Indent(Depth());
    Put("{ ");
    Put(name);
    Put(':');
    EndLine();
    sections_.emplace_back(name);
  }
  void EndSection() override {
    std::string name = std::move(sections_.back());
    sections_.pop_back();
    Indent(Depth());
    Put("} ");
    Put(name);
    Put(';');
    EndLine();
  }
  void BeginRecord(std::string_view name) override { record_.assign(name); }
  void EndRecord() override {}
  void Int(std::string_view name, int32_t number) override {
    ValueStart(cfg::ValueType::Int, name);
    PutInteger(number);
    EndLine();
  }
  void Float(std::string_view name, float number) override {
    ValueStart(cfg::ValueType::Float, name);
    PutFormatted("%f", number);
    EndLine();
  }
  void String(std::string_view name, std::string_view text) override {
    ValueStart(cfg::ValueType::String, name);
    Put(text);
    EndLine();
  }
  void Double(std::string_view name, double number) override {
    ValueStart(cfg::ValueType::Double, name);
    PutFormatted("%G", number);
    EndLine();
  }
  void Int64(std::string_view name, int64_t number) override {
    ValueStart(cfg::ValueType::Int64, name);
    PutInteger(number);
    EndLine();
  }
  void Bytes(std::string_view name, const uint8_t* bytes, size_t count) override {
    Indent(Depth());
    Put("[ ");
    QualifiedName(name);
    Put(':');
    EndLine();
    static const char kHex[] = "0123456789ABCDEF";
    for (size_t i = 0; i < count; ++i) {
      Indent(Depth());
      if (bytes[i] >= 16) Put(kHex[bytes[i] >> 4]);
      Put(kHex[bytes[i] & 15]);
      EndLine();
    }
    Indent(Depth());
    Put("] ");
    QualifiedName(name);
    Put(';');
    EndLine();
  }

 private:
  int Depth() const { return static_cast<int>(sections_.size()); }
  void QualifiedName(std::string_view name) {
    Put(record_);
    if (!name.empty()) {
      Put('[');
      Put(name);
      Put(']');
    }
  }
  void ValueStart(cfg::ValueType type, std::string_view name) {
    Indent(Depth());
    Put('(');
    Put(cfg::TypeKeyword(type));
    Put(')');
    QualifiedName(name);
    Put('=');
  }

  std::vector<std::string> sections_;
  std::string record_;
};

// libconfig: sections and records are groups, values are settings.
class LibconfigSink : public BufferedSink {
 public:
  using BufferedSink::BufferedSink;
  void BeginSection(std::string_view name) override { Open(name); }
  void EndSection() override { Close(); }
  void BeginRecord(std::string_view name) override { Open(name); }
  void EndRecord() override { Close(); }
  void Int(std::string_view name, int32_t number) override {
    Start(name);
    PutInteger(number);
    End();
  }
  void Float(std::string_view name, float number) override {
    Start(name);
    PutReal("%.9g", number);
    End();
  }
  void String(std::string_view name, std::string_view text) override {
    Start(name);
    PutQuoted(text);
    End();
  }
  void Double(std::string_view name, double number) override {
    Start(name);
    PutReal("%.6g", number);
    End();
  }
  void Int64(std::string_view name, int64_t number) override {
    Start(name);
    PutInteger(number);
    Put('L');
    End();
  }
  void Bytes(std::string_view name, const uint8_t* bytes, size_t count) override {
    Start(name);
    Put('[');
    for (size_t i = 0; i < count; ++i) {
      if (i) Put(", ");
      PutInteger(static_cast<int>(bytes[i]));
    }
    Put(']');
    End();
  }

 private:
  void Open(std::string_view name) {
    Indent(depth_++);
    Put(name);
    Put(" = {");
    EndLine();
  }
  void Close() {
    Indent(--depth_);
    Put("};");
    EndLine();
  }
  void Start(std::string_view name) {
    Indent(depth_);
    Put(name.empty() ? std::string_view("value") : name);
    Put(" = ");
  }
  void End() {
    Put(';');
    EndLine();
  }
  int depth_ = 0;
};

// Boost.PropertyTree INFO: "key value" lines, children in braces. A byte
// array is one hexadecimal string.
class InfoSink : public BufferedSink {
 public:
  using BufferedSink::BufferedSink;
  void BeginSection(std::string_view name) override { Open(name); }
  void EndSection() override { Close(); }
  void BeginRecord(std::string_view name) override { Open(name); }
  void EndRecord() override { Close(); }
  void Int(std::string_view name, int32_t number) override {
    Start(name);
    PutInteger(number);
    EndLine();
  }
  void Float(std::string_view name, float number) override {
    Start(name);
    PutReal("%.9g", number);
    EndLine();
  }
  void String(std::string_view name, std::string_view text) override {
    Start(name);
    PutQuoted(text);
    EndLine();
  }
  void Double(std::string_view name, double number) override {
    Start(name);
    PutReal("%.6g", number);
    EndLine();
  }
  void Int64(std::string_view name, int64_t number) override {
    Start(name);
    PutInteger(number);
    EndLine();
  }
  void Bytes(std::string_view name, const uint8_t* bytes, size_t count) override {
    static const char kHex[] = "0123456789ABCDEF";
    Start(name);
    Put('"');
    for (size_t i = 0; i < count; ++i) {
      Put(kHex[bytes[i] >> 4]);
      Put(kHex[bytes[i] & 15]);
    }
    Put('"');
    EndLine();
  }

 private:
  void Open(std::string_view name) {
    Indent(depth_);
    Put(name);
    EndLine();
    Indent(depth_++);
    Put('{');
    EndLine();
  }
  void Close() {
    Indent(--depth_);
    Put('}');
    EndLine();
  }
  void Start(std::string_view name) {
    Indent(depth_);
    Put(name.empty() ? std::string_view("value") : name);
    Put(' ');
  }
  int depth_ = 0;
};

// JSON, pretty-printed: sections and records are objects, byte arrays are
// arrays of numbers.
class JsonSink : public BufferedSink {
 public:
  explicit JsonSink(std::FILE* file) : BufferedSink(file) {
    Put('{');
    first_.push_back(true);
  }
  void BeginSection(std::string_view name) override { Open(name); }
  void EndSection() override { Close(); }
  void BeginRecord(std::string_view name) override { Open(name); }
  void EndRecord() override { Close(); }
  void Int(std::string_view name, int32_t number) override {
    Key(name);
    PutInteger(number);
  }
  void Float(std::string_view name, float number) override {
    Key(name);
    PutReal("%.9g", number);
  }
  void String(std::string_view name, std::string_view text) override {
    Key(name);
    PutQuoted(text);
  }
  void Double(std::string_view name, double number) override {
    Key(name);
    PutReal("%.6g", number);
  }
  void Int64(std::string_view name, int64_t number) override {
    Key(name);
    PutInteger(number);
  }
  void Bytes(std::string_view name, const uint8_t* bytes, size_t count) override {
    Key(name);
    Put('[');
    for (size_t i = 0; i < count; ++i) {
      if (i) Put(',');
      PutInteger(static_cast<int>(bytes[i]));
    }
    Put(']');
  }
  bool Finish() override {
    if (!closed_) {
      closed_ = true;
      EndLine();
      Put('}');
      EndLine();
    }
    return BufferedSink::Finish();
  }

 private:
  void Key(std::string_view name) {
    if (!first_.back()) Put(',');
    first_.back() = false;
    EndLine();
    Indent(static_cast<int>(first_.size()));
    PutQuoted(name.empty() ? std::string_view("value") : name);
    Put(": ");
  }
  void Open(std::string_view name) {
    Key(name);
    Put('{');
    first_.push_back(true);
  }
  void Close() {
    first_.pop_back();
    EndLine();
    Indent(static_cast<int>(first_.size()));
    Put('}');
  }
  std::vector<bool> first_;
  bool closed_ = false;
};

}  // namespace

std::unique_ptr<TreeSink> MakeSink(Syntax syntax, std::FILE* file) {
  switch (syntax) {
    case Syntax::Cfg: return std::make_unique<CfgSink>(file);
    case Syntax::Libconfig: return std::make_unique<LibconfigSink>(file);
    case Syntax::Info: return std::make_unique<InfoSink>(file);
    case Syntax::Json: return std::make_unique<JsonSink>(file);
  }
  return nullptr;
}

const char* SyntaxExtension(Syntax syntax) {
  switch (syntax) {
    case Syntax::Cfg: return "cfg";
    case Syntax::Libconfig: return "libconfig";
    case Syntax::Info: return "info";
    case Syntax::Json: return "json";
  }
  return "";
}

void FanOut::BeginSection(std::string_view name) {
  for (TreeSink* sink : sinks_) sink->BeginSection(name);
}
void FanOut::EndSection() {
  for (TreeSink* sink : sinks_) sink->EndSection();
}
void FanOut::BeginRecord(std::string_view name) {
  for (TreeSink* sink : sinks_) sink->BeginRecord(name);
}
void FanOut::EndRecord() {
  for (TreeSink* sink : sinks_) sink->EndRecord();
}
void FanOut::Int(std::string_view name, int32_t number) {
  for (TreeSink* sink : sinks_) sink->Int(name, number);
}
void FanOut::Float(std::string_view name, float number) {
  for (TreeSink* sink : sinks_) sink->Float(name, number);
}
void FanOut::String(std::string_view name, std::string_view text) {
  for (TreeSink* sink : sinks_) sink->String(name, text);
}
void FanOut::Double(std::string_view name, double number) {
  for (TreeSink* sink : sinks_) sink->Double(name, number);
}
void FanOut::Int64(std::string_view name, int64_t number) {
  for (TreeSink* sink : sinks_) sink->Int64(name, number);
}
void FanOut::Bytes(std::string_view name, const uint8_t* bytes, size_t count) {
  for (TreeSink* sink : sinks_) sink->Bytes(name, bytes, count);
}
bool FanOut::Finish() {
  bool ok = true;
  for (TreeSink* sink : sinks_) ok = sink->Finish() && ok;
  return ok;
}
uint64_t FanOut::Written() const { return sinks_.empty() ? 0 : sinks_.front()->Written(); }

}  // namespace bench

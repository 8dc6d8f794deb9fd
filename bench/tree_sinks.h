// Writers of one logical configuration tree in several syntaxes: ours and the
// ones the peer libraries read (libconfig, Boost.PropertyTree INFO, JSON).
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace bench {

enum class Syntax { Cfg, Libconfig, Info, Json };

// The events of a tree walk. Records sit inside sections; values inside records.
class TreeSink {
 public:
  virtual ~TreeSink();
  virtual void BeginSection(std::string_view name) = 0;
  virtual void EndSection() = 0;
  virtual void BeginRecord(std::string_view name) = 0;
  virtual void EndRecord() = 0;
  virtual void Int(std::string_view name, int32_t number) = 0;
  virtual void Float(std::string_view name, float number) = 0;
  virtual void String(std::string_view name, std::string_view text) = 0;
  virtual void Double(std::string_view name, double number) = 0;
  virtual void Int64(std::string_view name, int64_t number) = 0;
  virtual void Bytes(std::string_view name, const uint8_t* bytes, size_t count) = 0;
  // Writes what is still buffered; false when the output failed.
  virtual bool Finish() = 0;
  // Bytes produced so far.
  virtual uint64_t Written() const = 0;
};

// A sink of the given syntax writing to file (nullptr: count the bytes only).
// The sink does not close the file.
std::unique_ptr<TreeSink> MakeSink(Syntax syntax, std::FILE* file);

// The extension used for files of that syntax ("cfg", "libconfig", "info", "json").
const char* SyntaxExtension(Syntax syntax);

// Forwards every event to several sinks.
class FanOut : public TreeSink {
 public:
  void Attach(TreeSink* sink) { sinks_.push_back(sink); }
  void BeginSection(std::string_view name) override;
  void EndSection() override;
  void BeginRecord(std::string_view name) override;
  void EndRecord() override;
  void Int(std::string_view name, int32_t number) override;
  void Float(std::string_view name, float number) override;
  void String(std::string_view name, std::string_view text) override;
  void Double(std::string_view name, double number) override;
  void Int64(std::string_view name, int64_t number) override;
  void Bytes(std::string_view name, const uint8_t* bytes, size_t count) override;
  bool Finish() override;
  uint64_t Written() const override;  // of the first sink

 private:
  std::vector<TreeSink*> sinks_;
};

}  // namespace bench

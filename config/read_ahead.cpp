#include "read_ahead.h"

#include <cstring>
#include <utility>

#include "byte_scan.h"
#include "small_alloc.h"

namespace cfg {

namespace {

// A batch is handed on when it holds this many lines or this much text.
constexpr size_t kBatchLines = 4096;
constexpr size_t kBatchText = 256 * 1024;
// Memory chunks the building thread makes ready for the tree while it waits
// for lines (see PrepareChunks), when the input is this large: a smaller
// tree may not use them up.
constexpr size_t kChunksAhead = 4;
constexpr int64_t kPrepareFrom = 32 << 20;

}  // namespace

// Recognised lines stored compactly: their texts back to back in one block,
// located by offsets (the block may move while it grows).
struct ReadAhead::Batch {
  struct Line {
    LineKind kind;
    bool unclosed;
    bool hasValueName;
    int count;
    long long line;
    size_t name, nameLength;             // in text
    size_t recordStart, recordLength;    // a value line's split, from the name's start
    size_t valueStart, valueLength;
    size_t data, dataLength;             // in text: a string's text or an array's bytes
    decltype(RecognisedLine::number) number;
  };
  std::vector<Line> lines;

  Batch() : text_(new char[kBatchText]), capacity_(kBatchText) { lines.reserve(kBatchLines); }
  bool Full() const { return lines.size() >= kBatchLines || size_ >= kBatchText; }
  void Clear() {
    lines.clear();
    size_ = 0;
  }
  const char* Text() const { return text_.get(); }
  // Copies bytes to the end of the text; their offset.
  size_t Keep(const void* bytes, size_t length) {
    if (length > capacity_ - size_) Grow(length);
    const size_t at = size_;
    CopyBytes(text_.get() + at, static_cast<const char*>(bytes), length);
    size_ += length;
    return at;
  }
  // Takes the stream's current line, which Classify has just recognised as
  // kind, as TakeLine would (reading a whole array block into *bytes).
  void Add(ConfigStream& stream, LineKind kind, std::vector<uint8_t>* bytes) {
    Line& to = lines.emplace_back();
    to.kind = kind;
    to.line = stream.LineNumber();
    const std::string_view name = stream.ItemNameView();
    to.nameLength = name.size();
    to.name = Keep(name.data(), name.size());
    to.unclosed = false;
    to.count = 0;
    to.data = to.dataLength = 0;
    switch (kind) {
      case LineKind::SectionOpen:
      case LineKind::SectionClose:
        return;
      case LineKind::ArrayOpen:
        // The name is in the batch already: reading the block may move it.
        to.count = stream.ReadArray(bytes);
        to.unclosed = stream.IsArrayOpen() != 0;
        if (to.count > 0) {
          to.dataLength = static_cast<size_t>(to.count);
          to.data = Keep(bytes->data(), to.dataLength);
        }
        return;
      case LineKind::IntLine: to.number.i = stream.IntValue(); break;
      case LineKind::FloatLine: to.number.f = stream.FloatValue(); break;
      case LineKind::DoubleLine: to.number.d = stream.DoubleValue(); break;
      case LineKind::Int64Line: to.number.l = stream.Int64Value(); break;
      default: {
        const std::string_view text = stream.StringValueView();
        to.dataLength = text.size();
        to.data = Keep(text.data(), text.size());
      }
    }
    // The split's parts lie inside the name.
    const QualifiedName split = stream.ItemQualifiedName();
    to.recordStart = static_cast<size_t>(split.record.data() - name.data());
    to.recordLength = split.record.size();
    to.hasValueName = split.hasValueName;
    to.valueStart = split.hasValueName ? static_cast<size_t>(split.value.data() - name.data()) : 0;
    to.valueLength = split.value.size();
  }
  void Get(size_t index, RecognisedLine* to) const {
    const Line& from = lines[index];
    to->kind = from.kind;
    to->line = from.line;
    const char* text = Text();
    to->name = std::string_view(text + from.name, from.nameLength);
    to->number = from.number;
    to->unclosed = from.unclosed;
    to->count = from.count;
    to->bytes = reinterpret_cast<const uint8_t*>(text + from.data);
    to->text = std::string_view(text + from.data, from.dataLength);
    to->split.record = to->name.substr(from.recordStart, from.recordLength);
    to->split.hasValueName = from.hasValueName;
    to->split.value = from.hasValueName ? to->name.substr(from.valueStart, from.valueLength)
                                        : std::string_view();
  }

 private:
  void Grow(size_t length) {
    size_t capacity = capacity_ * 2;
    while (capacity - size_ < length) capacity *= 2;
    std::unique_ptr<char[]> grown(new char[capacity]);
    std::memcpy(grown.get(), text_.get(), size_);
    text_ = std::move(grown);
    capacity_ = capacity;
  }

  std::unique_ptr<char[]> text_;  // the lines' texts back to back
  size_t size_ = 0;
  size_t capacity_;
};

ReadAhead::ReadAhead(ConfigStream& stream)
    : stream_(stream), prepare_(stream.InputSize() >= kPrepareFrom) {
  for (size_t i = 0; i < kBatches; ++i) {
    batches_.push_back(std::make_unique<Batch>());
    empty_.push_back(batches_.back().get());
  }
  reader_ = std::thread([this] { Read(); });
}

ReadAhead::~ReadAhead() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  reader_.join();
}

ReadAhead::Batch* ReadAhead::TakeEmpty() {
  std::unique_lock<std::mutex> lock(mutex_);
  if (empty_.empty() && prepare_ && !stopping_) {
    // The building thread is behind, often because the system is slow to
    // back the tree's new memory: this thread takes a share of that.
    lock.unlock();
    PrepareChunks(kChunksAhead);
    lock.lock();
  }
  changed_.wait(lock, [this] { return stopping_ || !empty_.empty(); });
  if (stopping_) return nullptr;
  Batch* batch = empty_.back();
  empty_.pop_back();
  return batch;
}

void ReadAhead::Publish(Batch* batch, bool last) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    full_.push_back(batch);
    finished_ = last;
  }
  changed_.notify_all();
}

void ReadAhead::Read() {
  try {
    Batch* batch = TakeEmpty();
    if (batch == nullptr) return;
    std::vector<uint8_t> bytes;
    while (stream_.NextLine()) {
      const LineKind kind = stream_.Classify();
      if (kind == LineKind::NoItem || kind == LineKind::OtherLine || kind == LineKind::ArrayClose) {
        continue;
      }
      batch->Add(stream_, kind, &bytes);
      if (batch->Full()) {
        Publish(batch, false);
        batch = TakeEmpty();
        if (batch == nullptr) return;
      }
    }
    Publish(batch, true);
  } catch (...) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      error_ = std::current_exception();
      finished_ = true;
    }
    changed_.notify_all();
  }
}

const RecognisedLine* ReadAhead::Next() {
  while (current_ == nullptr || next_ == current_->lines.size()) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (current_ != nullptr) {
      current_->Clear();
      empty_.push_back(current_);
      current_ = nullptr;
      changed_.notify_all();
    }
    if (!finished_ && full_.empty() && prepare_) {
      // The reader is behind: meanwhile, get memory for the tree ready.
      lock.unlock();
      PrepareChunks(kChunksAhead);
      lock.lock();
    }
    changed_.wait(lock, [this] { return finished_ || !full_.empty(); });
    if (full_.empty()) {
      // Batches handed over before a failure are applied first, as loading
      // on one thread would have applied their lines.
      if (error_) std::rethrow_exception(error_);
      return nullptr;
    }
    current_ = full_.front();
    full_.pop_front();
    next_ = 0;
  }
  current_->Get(next_++, &line_);
  return &line_;
}

}  // namespace cfg

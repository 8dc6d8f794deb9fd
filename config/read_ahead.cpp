#include "read_ahead.h"

#include <cstdint>
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

// Recognised lines as the building thread takes them. Their views point into
// one block that holds their texts back to back; when a long line makes the
// block grow, the views of the lines already in the batch move with it.
struct ReadAhead::Batch {
  // lines[0, count) are the batch's; the others are room, written over field
  // by field as lines come (a value line sets what the builder reads of it).
  std::unique_ptr<RecognisedLine[]> lines;
  size_t count = 0;

  Batch() : lines(new RecognisedLine[kBatchLines]), text_(new char[kBatchText]), capacity_(kBatchText) {}
  bool Full() const { return count >= kBatchLines || size_ >= kBatchText; }
  void Clear() {
    count = 0;
    size_ = 0;
  }
  // Takes the stream's current line, which Classify has just recognised as
  // kind, with TakeLine (reading a whole array block into *array), and keeps
  // what its views show in the batch.
  void Add(ConfigStream& stream, LineKind kind, ArrayStorage* array) {
    RecognisedLine& to = lines[count++];
    to = RecognisedLine();
    TakeLine(stream, kind, array, &to);
    const std::string_view name = to.name;
    to.name = Keep(name);
    if (kind == LineKind::ArrayOpen) {
      to.bytes = to.count > 0 ? reinterpret_cast<const uint8_t*>(Keep(AsText(array->bytes)).data())
                              : nullptr;
      return;
    }
    if (kind == LineKind::StringLine) to.text = Keep(to.text);
    // The split's parts lie inside the name.
    to.split.record = Moved(to.split.record, name, to.name);
    to.split.value = Moved(to.split.value, name, to.name);
  }
  // The same for a value line that RecogniseWrittenValue took apart.
  void Add(const ValueLine& from, long long lineNumber) {
    RecognisedLine& to = lines[count++];
    to.kind = from.kind;
    to.line = lineNumber;
    to.name = Keep(from.name);
    to.split = SplitBy(to.name, from.split);
    if (from.kind == LineKind::StringLine) {
      to.text = Keep(from.text);
    } else {
      to.number = from.number;
    }
  }

 private:
  // Copies the bytes to the end of the text; the copy.
  std::string_view Keep(std::string_view bytes) {
    if (bytes.size() > capacity_ - size_) Grow(bytes.size());
    char* at = text_.get() + size_;
    if (!bytes.empty()) CopyBytes(at, bytes.data(), bytes.size());
    size_ += bytes.size();
    return std::string_view(at, bytes.size());
  }
  // The part of to that part is of from (a view of nothing stays as it is).
  static std::string_view Moved(std::string_view part, std::string_view from, std::string_view to) {
    if (part.data() == nullptr) return part;
    return std::string_view(to.data() + (part.data() - from.data()), part.size());
  }
  static std::string_view AsText(const std::vector<uint8_t>& bytes) {
    return std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  }
  void Grow(size_t length) {
    size_t capacity = capacity_ * 2;
    while (capacity - size_ < length) capacity *= 2;
    std::unique_ptr<char[]> grown(new char[capacity]);
    std::memcpy(grown.get(), text_.get(), size_);
    // A view into the old block (its end included, for empty views) moves
    // to the same place in the new one.
    const auto from = reinterpret_cast<uintptr_t>(text_.get());
    auto moved = [&](const char* p) {
      const uintptr_t offset = reinterpret_cast<uintptr_t>(p) - from;
      return (p != nullptr && offset <= size_) ? grown.get() + offset : p;
    };
    auto move = [&](std::string_view& view) { view = std::string_view(moved(view.data()), view.size()); };
    for (size_t i = 0; i < count; ++i) {
      RecognisedLine& line = lines[i];
      move(line.name);
      move(line.split.record);
      move(line.split.value);
      move(line.text);
      line.bytes = reinterpret_cast<const uint8_t*>(moved(reinterpret_cast<const char*>(line.bytes)));
    }
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
    ArrayStorage array;
    ValueLine written;
    while (stream_.NextLine()) {
      if (stream_.RecogniseWrittenValue(&written)) {
        batch->Add(written, stream_.LineNumber());
      } else {
        const LineKind kind = stream_.Classify();
        if (kind == LineKind::NoItem || kind == LineKind::OtherLine || kind == LineKind::ArrayClose) {
          continue;
        }
        batch->Add(stream_, kind, &array);
      }
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
  while (current_ == nullptr || next_ == current_->count) {
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
  return &current_->lines[next_++];
}

}  // namespace cfg

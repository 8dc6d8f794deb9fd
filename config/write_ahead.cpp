#include "write_ahead.h"

#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

#include "config_node.h"
#include "config_stream.h"

namespace cfg {

namespace {

// A piece ends once it holds this many lines (a record counts as many lines
// as it has slots): large enough that the threads seldom meet, small enough
// to share the work evenly and to keep little in memory.
constexpr size_t kPieceLines = 32 * 1024;
// The helper formats at most this many pieces ahead of the one being written.
constexpr size_t kPiecesAhead = 4;

bool OpensBlock(const Section* s) { return !s->IsFile() && s->GetName() != nullptr; }

}  // namespace

WriteAhead::Walk::Walk(const Section& root)
    : stack_{{&root, 1}}, rootPending_(OpensBlock(&root)) {}

bool WriteAhead::Walk::Next(Kind* kind, const ConfigNode** node) {
  if (rootPending_) {
    rootPending_ = false;
    *kind = Open;
    *node = stack_.front().section;
    return true;
  }
  while (!stack_.empty()) {
    Frame& frame = stack_.back();
    if (frame.next > frame.section->Count()) {
      const Section* done = frame.section;
      stack_.pop_back();
      if (OpensBlock(done)) {
        *kind = Close;
        *node = done;
        return true;
      }
      continue;
    }
    auto* item = static_cast<const ConfigNode*>(frame.section->ItemAt(frame.next++));
    if (item == nullptr || item->IsNull()) continue;
    if (item->IsRecord()) {
      // An unnamed record writes nothing.
      if (item->GetName() == nullptr) continue;
      *kind = Values;
      *node = item;
      return true;
    }
    auto* child = static_cast<const Section*>(item);
    stack_.push_back({child, 1});
    if (OpensBlock(child)) {
      *kind = Open;
      *node = child;
      return true;
    }
  }
  return false;
}

void WriteAhead::Walk::ReopenBlocks(ConfigStream& out) const {
  for (const Frame& frame : stack_) {
    if (OpensBlock(frame.section) && !(rootPending_ && &frame == &stack_.front())) {
      out.PushSection(frame.section->NameView());
    }
  }
}

WriteAhead::WriteAhead(const Section& section) {
  Walk walk(section);
  Walk::Kind kind;
  const ConfigNode* node;
  Piece piece{walk, 0};
  size_t lines = 0;  // lines in the current piece so far
  while (walk.Next(&kind, &node)) {
    ++piece.steps;
    lines += kind == Walk::Values ? static_cast<size_t>(node->Count()) : 1;
    if (lines >= kPieceLines) {
      pieces_.push_back(std::move(piece));
      piece = Piece{walk, 0};
      lines = 0;
    }
  }
  if (piece.steps > 0) pieces_.push_back(std::move(piece));
}

void WriteAhead::Format(const Piece& piece, ConfigStream& out) const {
  Walk walk = piece.start;
  walk.ReopenBlocks(out);
  Walk::Kind kind;
  const ConfigNode* node;
  for (size_t i = 0; i < piece.steps && walk.Next(&kind, &node); ++i) {
    switch (kind) {
      case Walk::Open: out.WriteSectionOpen(node->NameView()); break;
      case Walk::Values: static_cast<const Record*>(node)->WriteValues(out); break;
      case Walk::Close: out.WriteSectionClose(); break;
    }
  }
}

void WriteAhead::Write(ConfigStream& stream) const {
  const size_t count = pieces_.size();
  // Pieces are claimed in order; a formatted piece waits in outputs until
  // its turn to be written.
  std::vector<std::unique_ptr<ConfigStream>> outputs(count);
  // Writers whose piece has been written, kept for their buffers.
  std::vector<std::unique_ptr<ConfigStream>> spare;
  std::mutex mutex;
  std::condition_variable changed;
  size_t claimed = 0;   // pieces handed to a thread
  size_t written = 0;   // pieces written to the stream
  bool stopping = false;
  std::exception_ptr error;

  // Claims the next piece for a thread; count when none is left.
  auto claim = [&](std::unique_lock<std::mutex>& lock, bool helper) {
    if (helper) {
      changed.wait(lock, [&] { return stopping || claimed < written + kPiecesAhead; });
      if (stopping) return count;
    }
    return claimed < count ? claimed++ : count;
  };
  auto format = [&](size_t index) {
    std::unique_ptr<ConfigStream> out;
    {
      std::lock_guard<std::mutex> lock(mutex);
      if (!spare.empty()) {
        out = std::move(spare.back());
        spare.pop_back();
      }
    }
    if (!out) out = std::make_unique<ConfigStream>(InMemory{});
    Format(pieces_[index], *out);
    return out;
  };

  std::thread helper([&] {
    try {
      for (;;) {
        size_t index;
        {
          std::unique_lock<std::mutex> lock(mutex);
          index = claim(lock, true);
        }
        if (index == count) return;
        std::unique_ptr<ConfigStream> out = format(index);
        {
          std::lock_guard<std::mutex> lock(mutex);
          outputs[index] = std::move(out);
        }
        changed.notify_all();
      }
    } catch (...) {
      {
        std::lock_guard<std::mutex> lock(mutex);
        error = std::current_exception();
      }
      changed.notify_all();
    }
  });
  // The helper is stopped and joined however this thread leaves.
  struct Join {
    std::thread& thread;
    std::mutex& mutex;
    std::condition_variable& changed;
    bool& stopping;
    ~Join() {
      {
        std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
      }
      changed.notify_all();
      thread.join();
    }
  } join{helper, mutex, changed, stopping};

  while (written < count) {
    std::unique_ptr<ConfigStream> ready;
    size_t mine = count;
    {
      std::unique_lock<std::mutex> lock(mutex);
      if (error) std::rethrow_exception(error);
      if (outputs[written]) {
        ready = std::move(outputs[written]);
      } else {
        mine = claim(lock, false);
        if (mine == count) {
          // Every piece is claimed: wait for the helper's.
          changed.wait(lock, [&] { return error || outputs[written] != nullptr; });
          continue;
        }
      }
    }
    if (ready) {
      stream.WriteOutputOf(*ready);
      ready->ClearOutput();
      {
        std::lock_guard<std::mutex> lock(mutex);
        spare.push_back(std::move(ready));
        ++written;
      }
      changed.notify_all();
      continue;
    }
    std::unique_ptr<ConfigStream> out = format(mine);
    std::lock_guard<std::mutex> lock(mutex);
    outputs[mine] = std::move(out);
  }
}

}  // namespace cfg

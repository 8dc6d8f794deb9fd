#include "write_ahead.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "config_node.h"
#include "config_stream.h"
#include "save_walk.h"

namespace cfg {

namespace {

// A piece ends once it holds this many lines (a record counts as many lines
// as it has slots): large enough that the threads seldom meet, small enough
// to share the work evenly and to keep little in memory.
constexpr size_t kPieceLines = 32 * 1024;
// The helper formats at most this many pieces ahead of the one being written.
constexpr size_t kPiecesAhead = 4;

// A piece: the walk where it starts, and its number of steps.
struct Piece {
  SaveWalk start;
  size_t steps;
};

// Formats a piece into the in-memory writer out.
void FormatPiece(const Piece& piece, ConfigStream& out) {
  SaveWalk walk = piece.start;
  walk.ReopenBlocks(out);
  for (size_t i = 0; i < piece.steps; ++i) walk.WriteNext(out);
}

// The pieces and their formatted text, between the writing thread and the
// helper. Pieces are claimed in order; a formatted piece waits for its turn
// to be written.
class Pieces {
 public:
  // The writing thread: a piece cut; every piece cut.
  void Publish(Piece piece) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      pieces_.push_back(std::move(piece));
      outputs_.emplace_back();
    }
    changed_.notify_all();
  }
  void FinishCutting() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      cut_ = true;
    }
    changed_.notify_all();
  }

  // The next piece to format, for the helper (which waits for one, and keeps
  // within kPiecesAhead of the writing) or for the writing thread (which
  // does not wait); false when there is none for it.
  bool Claim(bool helper, Piece* piece, size_t* index) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (helper) {
      changed_.wait(lock, [this] {
        return stopping_ || (cut_ && claimed_ == pieces_.size()) ||
               (claimed_ < pieces_.size() && claimed_ < written_ + kPiecesAhead);
      });
    }
    if (stopping_ || claimed_ == pieces_.size()) return false;
    *piece = std::move(pieces_[claimed_]);  // needed no more here
    *index = claimed_++;
    return true;
  }
  // Formats a claimed piece into a writer and hands the text in for writing.
  void Format(const Piece& piece, size_t index) {
    std::unique_ptr<ConfigStream> out = Writer();
    FormatPiece(piece, *out);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      outputs_[index] = std::move(out);
    }
    changed_.notify_all();
  }

  // The text of the next piece to write; nullptr when it is not formatted
  // yet and wait is false. Rethrows what the helper threw.
  std::unique_ptr<ConfigStream> Next(bool wait) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (wait) {
      changed_.wait(lock, [this] {
        return error_ || written_ == outputs_.size() || outputs_[written_] != nullptr;
      });
    }
    if (error_) std::rethrow_exception(error_);
    if (written_ == outputs_.size() || !outputs_[written_]) return nullptr;
    return std::move(outputs_[written_]);
  }
  // The writer of the piece just written, kept for its buffer.
  void Written(std::unique_ptr<ConfigStream> out) {
    out->ClearOutput();
    {
      std::lock_guard<std::mutex> lock(mutex_);
      spare_.push_back(std::move(out));
      ++written_;
    }
    changed_.notify_all();
  }
  // Whether every piece is cut and written.
  bool AllWritten() {
    std::lock_guard<std::mutex> lock(mutex_);
    return cut_ && written_ == pieces_.size();
  }

  void Fail(std::exception_ptr error) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      error_ = error;
    }
    changed_.notify_all();
  }
  void Stop() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stopping_ = true;
    }
    changed_.notify_all();
  }

 private:
  // An in-memory writer to format into, one whose piece is written if any.
  std::unique_ptr<ConfigStream> Writer() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (!spare_.empty()) {
        std::unique_ptr<ConfigStream> out = std::move(spare_.back());
        spare_.pop_back();
        return out;
      }
    }
    return std::make_unique<ConfigStream>(InMemory{});
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Piece> pieces_;
  std::deque<std::unique_ptr<ConfigStream>> outputs_;  // by piece; null until formatted
  std::vector<std::unique_ptr<ConfigStream>> spare_;
  size_t claimed_ = 0;
  size_t written_ = 0;
  bool cut_ = false;
  bool stopping_ = false;
  std::exception_ptr error_;
};

void Help(Pieces& pieces) {
  try {
    Piece piece{SaveWalk(NullSection), 0};
    size_t index;
    while (pieces.Claim(true, &piece, &index)) pieces.Format(piece, index);
  } catch (...) {
    pieces.Fail(std::current_exception());
  }
}

}  // namespace

void WriteAhead(const Section& section, ConfigStream& stream) {
  Pieces pieces;
  std::thread helper;
  // The helper is stopped and joined however this function is left.
  struct Join {
    Pieces& pieces;
    std::thread& helper;
    ~Join() {
      if (!helper.joinable()) return;
      pieces.Stop();
      helper.join();
    }
  } join{pieces, helper};
  // Writes the pieces formatted so far, in order (waiting for the next one
  // first, with wait).
  auto writeReady = [&](bool wait) {
    while (std::unique_ptr<ConfigStream> out = pieces.Next(wait)) {
      stream.WriteOutputOf(*out);
      pieces.Written(std::move(out));
      wait = false;
    }
  };

  // Cut the tree into pieces; the helper starts on them meanwhile.
  SaveWalk walk(section);
  Piece piece{walk, 0};
  size_t lines = 0;  // lines in the current piece so far
  SaveWalk::Kind kind;
  const ConfigNode* node;
  bool cutOne = false;
  while (walk.Next(&kind, &node)) {
    ++piece.steps;
    lines += kind == SaveWalk::Values ? static_cast<size_t>(node->Count()) : 1;
    if (lines < kPieceLines) continue;
    pieces.Publish(std::move(piece));
    piece = Piece{walk, 0};
    lines = 0;
    if (!cutOne) {
      cutOne = true;
      try {
        helper = std::thread(Help, std::ref(pieces));
      } catch (...) {
        // No helper: this thread formats every piece.
      }
    }
    writeReady(false);
  }
  if (!cutOne) {
    // A small tree: no pieces.
    section.SaveSection(stream);
    return;
  }
  if (piece.steps > 0) pieces.Publish(std::move(piece));
  pieces.FinishCutting();

  // Format what the helper has not claimed, and write everything in order.
  for (;;) {
    writeReady(false);
    if (pieces.AllWritten()) return;
    size_t index;
    if (pieces.Claim(false, &piece, &index)) {
      pieces.Format(piece, index);
    } else {
      writeReady(true);
    }
  }
}

}  // namespace cfg

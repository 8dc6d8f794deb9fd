// Reading and recognising a stream's lines on a thread of its own, ahead of
// the thread that builds the tree from them. On a large file the two halves
// of loading then run side by side.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "config_stream.h"
#include "tree_builder.h"

namespace cfg {

class ReadAhead {
 public:
  // Starts reading the stream from where it stands. Until this object is
  // destroyed the stream belongs to the reading thread: the caller must not
  // touch it.
  explicit ReadAhead(ConfigStream& stream);
  // Stops the reading thread (when it has not finished) and waits for it.
  ~ReadAhead();
  ReadAhead(const ReadAhead&) = delete;
  ReadAhead& operator=(const ReadAhead&) = delete;

  // The next line that loading acts on, in the order of the input, as
  // TakeLine gives it (lines that Classify recognises as NoItem, OtherLine or
  // ArrayClose are passed over); nullptr after the last one. The line and
  // what it points at stay valid until the next call. Once the batches
  // handed over before it are used up, rethrows an exception that ended the
  // reading thread.
  const RecognisedLine* Next();

 private:
  // Lines pass from thread to thread in batches, so that the threads meet
  // about once per few thousand lines.
  struct Batch;
  static constexpr size_t kBatches = 4;

  void Read();
  Batch* TakeEmpty();
  void Publish(Batch* batch, bool last);

  ConfigStream& stream_;
  const bool prepare_;  // either thread readies memory for the tree while it waits
  std::vector<std::unique_ptr<Batch>> batches_;

  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Batch*> empty_;   // batches the reader may fill
  std::deque<Batch*> full_;     // filled batches, in the order of the input
  bool finished_ = false;       // the reader has published its last batch
  bool stopping_ = false;       // the reader is to stop early
  std::exception_ptr error_;    // what ended the reader, if it failed

  Batch* current_ = nullptr;    // the batch Next is handing out
  size_t next_ = 0;             // its next line

  std::thread reader_;          // last: starts once the rest is ready
};

}  // namespace cfg

#include "save_walk.h"

#include "config_node.h"
#include "config_stream.h"

namespace cfg {

namespace {

bool OpensBlock(const Section* s) { return !s->IsFile() && s->GetName() != nullptr; }

// The children lie apart in memory: the walk asks for the one this many
// places ahead early.
constexpr int kPrefetchAhead = 6;

}  // namespace

SaveWalk::SaveWalk(const Section& root)
    : stack_{{&root, 1}}, rootPending_(OpensBlock(&root)) {}

bool SaveWalk::Next(Kind* kind, const ConfigNode** node) {
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
    if (const NamedObject* ahead = frame.section->ItemAt(frame.next + kPrefetchAhead)) __builtin_prefetch(ahead);
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

void SaveWalk::ReopenBlocks(ConfigStream& out) const {
  for (const Frame& frame : stack_) {
    if (OpensBlock(frame.section) && !(rootPending_ && &frame == &stack_.front())) {
      out.PushSection(frame.section->NameView());
    }
  }
}

bool SaveWalk::WriteNext(ConfigStream& out) {
  Kind kind;
  const ConfigNode* node;
  if (!Next(&kind, &node)) return false;
  switch (kind) {
    case Open: out.WriteSectionOpen(node->NameView()); break;
    case Values: static_cast<const Record*>(node)->WriteValues(out); break;
    case Close: out.WriteSectionClose(); break;
  }
  return true;
}

}  // namespace cfg

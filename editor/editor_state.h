// The editor's global state: the document being edited and the section copy
// that Copy makes and Paste moves into the tree.
#pragma once

#include "config/config_node.h"

// The document: a file section named by its path (unnamed for a new one).
// Replaced, the old one destroyed, by start-up, New, Open and a drop; never
// destroyed at exit.
extern cfg::Section* CurrentDocument;
// A deep copy of a section, or nullptr; owned here until a Paste moves it into
// the tree.
extern cfg::Section* SectionClipboard;

#include "editor/editor_state.h"

cfg::Section* CurrentDocument = nullptr;
cfg::Section* SectionClipboard = nullptr;

// What the records list and the values list of the main window show: the
// lines of a section's records and of a record's int and string values, put
// into their sorted list boxes in bulk.
#pragma once

#include <windows.h>

#include "config/config_node.h"
#include "dialogs/control_wrapper.h"

namespace editor {

// Fills the list with the names of the section's records (null ones skipped).
void FillRecords(const dlg::ListBoxControl& list, const cfg::Section& section);
// Fills the list with the record's int and string values as "(int)name = 5"
// and "(string)name = text" ("(int) = 5" when unnamed), each line's item data
// the value it shows; values of other types are not shown.
void FillValues(const dlg::ListBoxControl& list, const cfg::Record& record);
// The line whose item data is value; LB_ERR when none is.
LRESULT LineOfValue(const dlg::ListBoxControl& list, const cfg::Value* value);

}  // namespace editor

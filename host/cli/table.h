// table.h: the human form of records: aligned columns, key-like fields
// first. On a terminal a table fits its width by leaving out trailing
// non-key columns (a note under the table says so); a key column (a class
// name, a record's keys) and a cell are never cut: when the keys alone are
// wider, the row wraps. Off a terminal (a pipe, a file) nothing is cut or
// left out.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "host/kit/record_json.h"

namespace zubcim {

// The width a table must fit: 0 (no limit) when standard output is not a
// terminal; else COLUMNS when it holds a positive number, else the
// terminal's width (80 when it does not say).
size_t TerminalWidth();

// Rows of cells under a header; the first `keyColumns` columns are always
// shown. With a width (not 0), trailing columns after them are left out
// until a line fits.
void PrintColumns(std::ostream& out, const std::vector<std::string>& header,
                  const std::vector<std::vector<std::string>>& rows, size_t width, size_t keyColumns = 1);

// Instances of a record type in their JSON form (see record_json.h), one row
// each: the record's key fields first, in key order, then the others in
// record order.
void PrintInstances(std::ostream& out, const RecordDesc& desc, const Json& instances, size_t width);

// One record, a "Field: value" line per field, blocks as "Block.Field".
void PrintRecord(std::ostream& out, const Json& record);

}  // namespace zubcim

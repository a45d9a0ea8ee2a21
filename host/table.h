// table.h: the human form of records: aligned columns, key-like fields first
// so the instance a row stands for is visible even when the line is cut at
// the terminal's width.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "host/record_json.h"

namespace zubcim {

// From COLUMNS when it holds a positive number, else the terminal's width,
// else (output to a file or pipe) 120.
size_t TerminalWidth();

// Rows of cells under a header; every line at most `width` characters.
void PrintColumns(std::ostream& out, const std::vector<std::string>& header,
                  const std::vector<std::vector<std::string>>& rows, size_t width);

// Instances of a record type in their JSON form (see record_json.h), one row
// each: the record's key fields first, in key order, then the others in
// record order.
void PrintInstances(std::ostream& out, const RecordDesc& desc, const Json& instances, size_t width);

// One record, a "Field: value" line per field, blocks as "Block.Field".
void PrintRecord(std::ostream& out, const Json& record);

}  // namespace zubcim

// record_json.h: any record to JSON and back, driven only by its RecordDesc,
// so a class gets its JSON form by having a description and nothing else.
#pragma once

#include <memory>
#include <string>

#include <nlohmann/json.hpp>

#include "framework/record_desc.h"

namespace zubcim {

using Json = nlohmann::ordered_json;

// A record made by its description and destroyed by it, whatever its type.
using RecordPtr = std::unique_ptr<void, void (*)(void*)>;
inline RecordPtr NewRecord(const RecordDesc& desc) { return RecordPtr(desc.create(), desc.destroy); }

// Keys in record order; 64-bit values stay unsigned JSON integers.
Json ToJson(const RecordDesc& desc, const void* record);

// Sets the fields named in `in` (an object) on `record`, leaving the others as
// they are. Returns false at the first unknown field or wrong value and sets
// *error to one line naming the field's path (e.g. "CreateOrModifyParams.Size").
// The record may then be partly written.
bool FromJson(const RecordDesc& desc, const Json& in, void* record, std::string* error);

// The whole process writes JSON through this, so a text that is not valid
// UTF-8 (a simulation message naming a file) cannot abort a dump.
std::string JsonLine(const Json& value);
// JsonLine on standard output, flushed at once (for pipes).
void PrintLine(const Json& value);

}  // namespace zubcim

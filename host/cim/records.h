// records.h: the library's records seen as CIM values, both ways, driven by
// the record descriptions only.
#pragma once

#include <string>
#include <vector>

#include "host/cim/cim_model.h"
#include "host/cim/schema.h"

namespace zubwbem {

// One instance as the server answers with it: the values of its class's
// properties (in the class's order) and its path.
struct Instance {
  const CimClass* cls = nullptr;
  std::vector<CimValue> values;
  CimPath path;

  const CimValue* Value(std::string_view property) const;
};

// Where paths that the library left without host or namespace are put.
struct PathDefaults {
  std::string host;
  std::string nameSpace;  // "root/corvo_zub"
};

// The CIM value of a field at `at` (a property of a record, or a parameter).
// References are parsed from the library's text; an empty reference or
// date-time text is NULL.
CimValue ReadField(const FieldDesc& field, const CimTyped& type, const void* at, const PathDefaults& defaults);

// Stores `value` into the field at `at`. References become the library's
// text. Throws CimFault naming `type.name` for a value of the wrong kind,
// one out of the type's range, or a text the library cannot carry.
void WriteField(const FieldDesc& field, const CimTyped& type, const CimValue& value, void* at,
                const PathDefaults& defaults);

// The instance of `cls` a record holds.
Instance InstanceOf(const CimClass& cls, const void* record, const PathDefaults& defaults);
// The path of an instance of `cls` with `values` (one per property, the
// class's order) on `host`.
CimPath PathOf(const CimClass& cls, const std::vector<CimValue>& values, const std::string& host);

// Copies every field (parameter blocks too) of one record into another of
// the same description.
void CopyRecord(const RecordDesc& desc, const void* from, void* to);

// Whether a text is a CIM datetime (DSP0004: 25 characters, a point in
// time or an interval).
bool IsCimDateTime(std::string_view text);
// A CIM datetime of the C runtime's asctime text of local time ("Sun Dec  6
// 21:07:28 2026\n", what the library records as times), with this machine's
// offset from UTC; "" for a text of another shape.
std::string DateTimeOfLocalText(std::string_view text);

// A value as CIM-XML writes it: TRUE/FALSE, decimal, or the text.
std::string FormatNumber(CimType type, uint64_t bits, bool fromSigned);

}  // namespace zubwbem

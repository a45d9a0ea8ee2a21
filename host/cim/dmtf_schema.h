// dmtf_schema.h: the standard CIM_ classes the server serves, with their
// qualifier declarations, as the project keeps them in host/cim/schema/*.mof
// (facts of DMTF's CIM schema 2.49; docs/schema.md says how they are kept).
// The build compiles those files into the binary, so nothing is read from
// disk at run time.
//
// ServedSchema() reads them once, on first use (thread-safe), and returns
// the same schema ever after. A class's full property set is
// `schema.AllProperties(*schema.Find("CIM_StorageVolume"))`: every inherited
// property, overrides in place with the qualifiers that propagate, then its
// own (mof_reader.h, MofSchema). Throws MofError if the compiled-in MOF does
// not read (the schema tests make sure it does).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "host/cim/mof_reader.h"

namespace zubwbem {

const MofSchema& ServedSchema();

// The text of one compiled-in MOF file by its name ("schema.mof" is the
// index, which includes the others); nullopt for an unknown name.
std::optional<std::string> ServedMofFile(std::string_view name);

// One compiled-in file as the build writes it: its text in pieces (ending
// with nullptr) that join to the whole. The table ends with a null name.
struct EmbeddedMof {
  const char* name;
  const char* const* pieces;
};
extern const EmbeddedMof kEmbeddedMof[];

}  // namespace zubwbem

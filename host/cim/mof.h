// mof.h: the schema as MOF (DSP0221), for a CIM server's repository.
#pragma once

#include <ostream>

#include "host/cim/schema.h"

namespace zubwbem {

// Every class with instances, namespace by namespace (#pragma namespace),
// each after its parents. The standard CIM_ classes are the DMTF schema's
// and are not repeated.
void WriteMof(std::ostream& out, const Schema& schema);

}  // namespace zubwbem

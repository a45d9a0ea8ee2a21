// lookup.h: class and method names typed by a person or a scenario, resolved
// against the catalogue; a miss is a bad-input error that offers the closest
// names, since a typo in a long CIM class name is the common mistake.
#pragma once

#include <string>
#include <vector>

#include "framework/catalog.h"

namespace zubcim {

const ClassDesc& RequireClass(const std::string& name);
const MethodDesc& RequireMethod(const ClassDesc& cls, const std::string& name);

// Up to `limit` catalogue names close to `name`, best first (exposed for tests).
std::vector<std::string> ClosestNames(const std::string& name, const std::vector<std::string>& candidates,
                                      size_t limit = 3);

}  // namespace zubcim

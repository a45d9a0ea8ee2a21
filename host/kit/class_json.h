// class_json.h: the JSON form of a class's CIM definition, made from its
// catalogue row and record description alone (`zubcim --json classes`).
#pragma once

#include "framework/catalog.h"
#include "host/kit/record_json.h"

namespace zubcim {

// {"class", "kind", "superclass", "description", "properties": [...],
//  "methods": [{"name", "return", "parameters": [...]}]}
Json ClassJson(const ClassDesc& cls);

}  // namespace zubcim

// inventory.h: the references of a whole inventory checked against it. Each
// reference a class lists (association ends, reference parameters) must name
// an instance some listed class holds: the class it names with the same
// keys, or, when it names a class the catalogue does not serve (a general
// class, the profiles' registration class), any listed instance with the
// same keys. Its namespace must be the one the host handed the library or
// the interop namespace. Key names compare without regard to case, values
// exactly.
#pragma once

#include <string>
#include <vector>

#include "framework/catalog.h"
#include "host/kit/record_json.h"

namespace zubcim {

struct ListedClass {
  const ClassDesc* cls;
  Json result;  // Session::List's answer
};

struct DanglingReference {
  std::string cls;        // the class that lists it
  std::string field;      // the field that holds it
  std::string reference;  // the text
};

// `nameSpace`: the namespace the host handed the library.
std::vector<DanglingReference> DanglingReferences(const std::vector<ListedClass>& inventory,
                                                  const std::string& nameSpace);

}  // namespace zubcim

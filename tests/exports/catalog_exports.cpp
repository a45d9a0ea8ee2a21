// catalog_exports.cpp: the exports every catalogue row brings, one a line in
// the form of zubprov.exports: the class's factory, its interface class and
// the Describe() of its record and of the record's parameter blocks. The
// export check adds zubprov.exports (the fixed few a host needs besides) and
// compares with what the built library exports, so a new class needs no
// further line anywhere.
#include <cxxabi.h>

#include <iostream>
#include <memory>
#include <set>
#include <string>

#include "framework/catalog.h"

namespace {

std::string Demangled(const std::type_info& type) {
  int status = 0;
  std::unique_ptr<char, void (*)(void*)> name(abi::__cxa_demangle(type.name(), nullptr, nullptr, &status), std::free);
  return status == 0 ? name.get() : type.name();
}

void AddRecord(const RecordDesc& record, std::set<std::string>* out) {
  out->insert(std::string(record.name) + "::Describe()");
  for (const FieldDesc& field : record.fields) {
    if (field.block) AddRecord(*field.block(), out);
  }
}

}  // namespace

int main() {
  std::set<std::string> lines;
  for (const ClassDesc& cls : ClassCatalog()) {
    lines.insert(cls.factory);
    lines.insert("class " + Demangled(*cls.interfaceType));
    AddRecord(cls.record(), &lines);
  }
  for (const std::string& line : lines) std::cout << line << '\n';
  return 0;
}

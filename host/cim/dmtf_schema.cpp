// dmtf_schema.cpp: the compiled-in MOF, read once.
#include "host/cim/dmtf_schema.h"

namespace zubwbem {
namespace {

MofSchema ReadServedSchema() {
  MofSchema schema;
  auto resolve = [](std::string_view path, std::string_view) -> std::optional<MofSource> {
    std::optional<std::string> text = ServedMofFile(path);
    if (!text) return std::nullopt;
    return MofSource{std::string(path), std::move(*text)};
  };
  ReadMof(schema, "schema.mof", ServedMofFile("schema.mof").value_or(""), resolve);
  return schema;
}

}  // namespace

std::optional<std::string> ServedMofFile(std::string_view name) {
  for (const EmbeddedMof* file = kEmbeddedMof; file->name; ++file) {
    if (name != file->name) continue;
    std::string text;
    for (const char* const* piece = file->pieces; *piece; ++piece) text += *piece;
    return text;
  }
  return std::nullopt;
}

const MofSchema& ServedSchema() {
  static const MofSchema schema = ReadServedSchema();
  return schema;
}

}  // namespace zubwbem

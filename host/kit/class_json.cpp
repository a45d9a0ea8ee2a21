// class_json.cpp: class definitions as JSON.
#include "host/kit/class_json.h"

namespace zubcim {
namespace {

// {"name", "type"} plus "reference" for references.
Json TypedName(const FieldDesc& f) {
  Json out = {{"name", f.CimName()}, {"type", CimTypeName(f)}};
  if (f.reference) out["reference"] = f.reference;
  return out;
}

Json Properties(const RecordDesc& desc) {
  Json out = Json::array();
  for (const FieldDesc& f : desc.fields) {
    if (!f.IsProperty()) continue;
    Json p = TypedName(f);
    if (f.key) p["key"] = true;
    out.push_back(std::move(p));
  }
  return out;
}

Json Method(const RecordDesc& desc, const MethodDesc& method) {
  Json params = Json::array();
  for (const ParameterDesc& p : MethodParameters(desc, method.name)) {
    Json param = TypedName(*p.field);
    const Direction d = p.field->direction;
    param["in"] = d == Direction::In || d == Direction::InOut;
    param["out"] = d == Direction::Out || d == Direction::InOut;
    params.push_back(std::move(param));
  }
  Json out = {{"name", method.name}};
  const FieldDesc* ret = ReturnValueField(desc);
  out["return"] = ret ? CimTypeName(*ret) : "uint32";
  out["parameters"] = std::move(params);
  return out;
}

}  // namespace

Json ClassJson(const ClassDesc& cls) {
  const RecordDesc& desc = cls.record();
  Json methods = Json::array();
  for (const MethodDesc& m : cls.methods) {
    if (m.extrinsic) methods.push_back(Method(desc, m));
  }
  Json out = Json::object();
  out["class"] = cls.name;
  out["kind"] = cls.association ? "association" : "instance";
  out["superclass"] = cls.superclass;
  out["description"] = cls.description;
  out["properties"] = Properties(desc);
  out["methods"] = std::move(methods);
  return out;
}

}  // namespace zubcim

// view.cpp: the view's source over the host's request path, and what every
// table shares.
#include "host/view/view.h"

#include "framework/catalog.h"
#include "host/kit/requests.h"

namespace zubview {

const std::vector<Json>& LibrarySource::Records(std::string_view cls) {
  auto it = m_records.find(cls);
  if (it != m_records.end()) return it->second;
  std::vector<Json> records;
  if (const ClassDesc* desc = FindClass(cls)) {
    const RecordDesc& record = desc->record();
    zubcim::Requests::Process().Read(*desc, [&](const void* r) { records.push_back(zubcim::ToJson(record, r)); });
  }
  return m_records.emplace(std::string(cls), std::move(records)).first->second;
}

void LibrarySource::Put(std::string_view cls, std::vector<Json> records) {
  m_records.insert_or_assign(std::string(cls), std::move(records));
}

std::span<const Rule> DerivedRules(std::string_view cls) {
  for (const DerivedClass& c : DerivedClasses()) {
    if (c.name == cls) return c.rules;
  }
  return {};
}

Json RuleJson(const Rule& rule) {
  return {{"name", rule.property}, {"type", rule.cimType}, {"derived", true}, {"rule", rule.rule}, {"weak", rule.weak}};
}

Json Evaluate(std::span<const Rule> rules, const Json& row, Source& source) {
  Json out = Json::object();
  for (const Rule& rule : rules) {
    Json value = rule.value(row, source);
    if (!value.is_null()) out[rule.property] = std::move(value);
  }
  return out;
}

std::string RefText(const Source& source, std::string_view cls, std::initializer_list<Key> keys,
                    std::string_view nameSpace) {
  std::string out = "\\\\" + source.Host() + "\\" + std::string(nameSpace.empty() ? source.Namespace() : nameSpace) +
                    ":" + std::string(cls) + ".";
  bool first = true;
  for (const Key& key : keys) {
    if (!first) out += ",";
    first = false;
    out += key.name;
    out += "=\"" + key.value + "\"";
  }
  return out;
}

}  // namespace zubview

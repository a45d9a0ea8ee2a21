// indication_filter.cpp: CZubIndicationFilter and its filter tables.
#include "classes/profiles/indication_filter.h"

#include <algorithm>
#include <vector>

#include "classes/tables.h"
#include "framework/alert.h"
#include "framework/class_base.h"
#include "framework/object_path.h"
#include "framework/container.h"
#include "framework/text.h"

ZUB_DESCRIBE(stZUB_IndicationFilter,
    ZUB_FIELD(Name).Key(4),
    ZUB_FIELD(SystemName).Key(2),
    ZUB_FIELD(SystemCreationClassName).Key(1),
    ZUB_FIELD(CreationClassName).Key(3),
    ZUB_FIELD(IndicationClassName),
    ZUB_FIELD(Description),
    ZUB_FIELD(Query),
    ZUB_FIELD(QueryLanguage),
    ZUB_FIELD(ElementName),
    ZUB_FIELD(SourceNamespaces))

namespace {

// A filter selects every indication of one class; its query says so.
struct FilterRow {
  const wchar_t* name;
  const wchar_t* indicationClass;
  const wchar_t* description;
};

constexpr const wchar_t* kQueryPrefix = L"SELECT * from ";

// The one filter of the interop namespace, for every alert.
constexpr FilterRow kMasterFilter = {L"Corvo_ZUB_EventFilter", L"CIM_AlertIndication",
                                     L"Master Filter for ZUB events"};

stZUB_IndicationFilter FilterOf(const FilterRow& row, const CZubString& elementName,
                                const stComputerStringNames& names) {
  stZUB_IndicationFilter rec;
  rec.Name = row.name;
  rec.SystemName = names.ComputerName;
  rec.SystemCreationClassName = L"ZUB_ComputerSystem";
  rec.CreationClassName = L"ZUB_IndicationFilter";
  rec.IndicationClassName = row.indicationClass;
  rec.Description = row.description;
  rec.Query = kQueryPrefix;
  rec.Query.Append(row.indicationClass);
  rec.QueryLanguage = L"WQL";
  rec.ElementName = elementName;
  CWbemObjectPath source;
  source.m_host = names.ComputerName;
  source.m_namespace = names.Namespace;
  rec.SourceNamespaces.Add(source.ToString());
  return rec;
}

class CZubIndicationFilter : public CZubClassT<CZubIndicationFilterInterface, stZUB_IndicationFilter> {
 public:
  PROVIDER_STATUS Update() override {
    m_list.RemoveAll();
    stComputerStringNames names;
    if (!ReadComputerStringNames(&names)) return PROVIDER_NO_OBJECT;
    m_list = IndicationFiltersFor(names);
    return UpdateDone();
  }
};

}  // namespace

CArrayT<stZUB_IndicationFilter> IndicationFiltersFor(const stComputerStringNames& names) {
  CArrayT<stZUB_IndicationFilter> filters;
  if (names.Namespace.Compare(kInteropNamespace) == 0) {
    filters.Add(FilterOf(kMasterFilter, kMasterFilter.name, names));
    return filters;
  }
  // One filter per alert class that has one, in the order of their
  // positions (the alert classes' table holds them, framework/alert.h).
  std::vector<const IndicationClassDesc*> rows;
  for (const IndicationClassDesc& c : IndicationClasses()) {
    if (c.filter.name) rows.push_back(&c);
  }
  std::sort(rows.begin(), rows.end(), [](auto* a, auto* b) { return a->filter.position < b->filter.position; });
  for (const IndicationClassDesc* c : rows) {
    const FilterRow row{c->filter.name, c->name, c->filter.description};
    filters.Add(FilterOf(row, NumberText(c->filter.position), names));
  }
  return filters;
}

CZubIndicationFilterInterface* PROVIDER_CreateZubIndicationFilterInstance() {
  return Singleton<CZubIndicationFilter>();
}

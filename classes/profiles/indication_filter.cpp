// indication_filter.cpp: CZubIndicationFilter and its filter tables.
#include "classes/profiles/indication_filter.h"

#include "classes/tables.h"
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

// One filter per alert class, in the order they are listed.
constexpr FilterRow kAlertFilters[] = {
    {L"ZUB_ALL_AlertIndication", L"ZUB_AlertIndication", L"Generic ZUB Alert"},
    {L"ZUB_Volume_Created", L"ZUB_AlertVolumeCreated", L"Volume created Alert"},
    {L"ZUB_Volume_Deleted", L"ZUB_AlertVolumeDeleted", L"Volume deleted Alert"},
    {L"ZUB_Volume_Modified", L"ZUB_AlertVolumeModified", L"Volume modified Alert"},
    {L"ZUB_Disk_Removed", L"ZUB_AlertDiskRemoved", L"Disk has been removed Alert"},
    {L"ZUB_Disk_Inserted", L"ZUB_AlertDiskInserted", L"Disk has been inserted Alert"},
    {L"ZUB_Disk_Failed", L"ZUB_AlertDiskFailed", L"Disk has failed Alert"},
    {L"ZUB_Disk_Failing", L"ZUB_AlertDiskFailing", L"Disk is going to fail soon Alert"},
    {L"ZUB_Disk_MarkedSpare", L"ZUB_AlertDiskMarkedAsSpare", L"Disk is marked as a spare Alert"},
    {L"ZUB_Disk_MarkedPrimordial", L"ZUB_AlertDiskMarkedPrimordial", L"Disk is now part of the primordial pool Alert"},
    {L"ZUB_Software_Updated", L"ZUB_AlertSoftwareUpdated", L"Software has been updated Alert"},
    {L"ZUB_Spare_Disk_Used", L"ZUB_AlertSpareDiskUsed", L"A spare disk has been used Alert"},
    {L"ZUB_PrimordialPool_Modified", L"ZUB_AlertPrimordialPoolModified",
     L"The primordial storage pool has been modified Alert"},
    {L"ZUB_Spare_Disk_Released", L"ZUB_AlertDiskSpareReleased",
     L"A spare disk has been released from the spare pool Alert"},
    {L"ZUB_Disk_Returned_To_Normal", L"ZUB_AlertDiskReturnedToNormal",
     L"A failed disk has been recovered and is of normal health Alert"},
};

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
  uint64_t position = 0;
  for (const FilterRow& row : kAlertFilters) filters.Add(FilterOf(row, NumberText(++position), names));
  return filters;
}

CZubIndicationFilterInterface* PROVIDER_CreateZubIndicationFilterInstance() {
  return Singleton<CZubIndicationFilter>();
}

// host_workload.cpp: the steps of a host's requests. Inputs come from the
// classes' lists as a client reads them; a step whose input is missing (a
// list emptied by an earlier fault) still runs, with an empty input, as a
// client that kept going would send it.
#include "tools/proof/host_workload.h"

#include <exception>
#include <functional>
#include <mutex>

#include "classes/config/spare_configuration.h"
#include "classes/config/storage_capabilities.h"
#include "classes/config/storage_configuration_service.h"
#include "classes/config/storage_setting.h"
#include "classes/storage/disk_extent.h"
#include "classes/storage/storage_pool.h"
#include "classes/storage/storage_volume.h"
#include "classes/system/alarm_device.h"
#include "framework/catalog.h"
#include "host/kit/record_json.h"

namespace zubproof {
namespace {

thread_local std::string t_step;

// Runs one step with its name published for the call hooks; an exception
// that leaves the library is kept in the outcome, not thrown on.
Outcome Run(const std::string& step, const std::function<void(Outcome&)>& body) {
  Outcome out;
  out.step = step;
  t_step = step;
  try {
    body(out);
  } catch (...) {
    out.threw = true;
  }
  t_step.clear();
  return out;
}

template <class Record>
std::string Text(const Record& record) {
  return zubcim::ToJson(Record::Describe(), &record).dump();
}

template <auto Factory>
CArrayT<RecordOf<Factory>> Held() {
  CArrayT<RecordOf<Factory>> out;
  if (auto* object = Factory()) object->GetData(&out);
  return out;
}

template <auto Factory, class Record = RecordOf<Factory>>
Record FirstHeld() {
  CArrayT<Record> all = Held<Factory>();
  return all.GetCount() != 0 ? all[0] : Record{};
}

std::wstring DiskPath(const stZUB_StorageExtentDisk& d) {
  return L"\\\\\\:ZUB_StorageExtentDisk.CreationClassName=\"" + d.CreationClassName.Str() + L"\",DeviceID=\"" +
         d.DeviceID.Str() + L"\",SystemCreationClassName=\"" + d.SystemCreationClassName.Str() +
         L"\",SystemName=\"" + d.SystemName.Str() + L"\"";
}

std::wstring VolumePath(const stZUB_StorageVolume& v) {
  return L"\\\\\\:ZUB_StorageVolume.CreationClassName=\"" + v.CreationClassName.Str() + L"\",DeviceID=\"" +
         v.DeviceID.Str() + L"\",SystemCreationClassName=\"" + v.SystemCreationClassName.Str() +
         L"\",SystemName=\"" + v.SystemName.Str() + L"\"";
}

// The available, healthy disks of the controller of the first pool.
std::vector<stZUB_StorageExtentDisk> AvailableDisks(const std::wstring& controller) {
  std::vector<stZUB_StorageExtentDisk> out;
  for (const auto& d : Held<&PROVIDER_CreateZubStorageExtentDiskInstance>())
    if (d.ControllerHandle.Str() == controller && d.DiskUsage == 2 && d.DiskState == 6) out.push_back(d);
  return out;
}

// The service of a controller (first when none matches).
template <auto Factory>
RecordOf<Factory> ServiceOf(const std::wstring& controller) {
  auto all = Held<Factory>();
  for (const auto& s : all)
    if (s.ControllerHandle.Str() == controller) return s;
  return all.GetCount() != 0 ? all[0] : RecordOf<Factory>{};
}

const wchar_t kProofVolume[] = L"Proof";
const wchar_t kRenamedVolume[] = L"Proof2";
constexpr uint64_t kProofSize = 100000000000;  // bytes: room to expand

// The volume of that name as the volume list has it now (refreshed).
stZUB_StorageVolume VolumeNamed(const wchar_t* name) {
  PROVIDER_CreateZubStorageVolumeInstance()->Update();
  for (const auto& v : Held<&PROVIDER_CreateZubStorageVolumeInstance>())
    if (v.ElementName.Str() == name) return v;
  return {};
}

// The setting the volume list filed for that volume.
stZUB_StorageSetting VolumeSettingOf(const wchar_t* name) {
  for (const auto& s : Held<&PROVIDER_CreateZubStorageSettingVolumeInstance>())
    if (s.VolumeName.Str() == name) return s;
  return {};
}

std::wstring SettingPath(const stZUB_StorageSetting& s) {
  return L"\\\\\\:ZUB_StorageSettingVolume.InstanceID=\"" + s.InstanceID.Str() + L"\"";
}

std::set<std::string>& Invoked() {
  static std::set<std::string> names;
  return names;
}
std::mutex g_invokedMutex;

// `variant` tells apart two calls of one method in a run ("Class.Method 3").
template <class Record>
Outcome Call(const char* cls, const char* method, Record rec,
             const std::function<PROVIDER_STATUS(Record*)>& call, const std::string& variant = "") {
  const std::string name = std::string(cls) + "." + method;
  {
    std::lock_guard<std::mutex> lock(g_invokedMutex);
    Invoked().insert(name);
  }
  return Run(variant.empty() ? name : name + " " + variant, [&](Outcome& out) {
    out.status = call(&rec);
    if constexpr (requires { rec.ReturnValue; }) out.returnValue = rec.ReturnValue;
    out.text = Text(rec);
  });
}

}  // namespace

const std::string& CurrentStep() { return t_step; }

std::vector<Outcome> ListEveryClass() {
  std::vector<Outcome> outcomes;
  for (const ClassDesc& cls : ClassCatalog()) {
    outcomes.push_back(Run(std::string("list ") + cls.name, [&](Outcome& out) {
      CProviderInterfaceBase* object = cls.object();
      if (!object) {
        out.status = PROVIDER_NO_OBJECT;
        return;
      }
      out.status = object->Update();
      const RecordDesc& desc = cls.record();
      cls.getData([&](const void* record) { out.text += zubcim::ToJson(desc, record).dump() + "\n"; });
    }));
  }
  return outcomes;
}

std::vector<Outcome> InvokeEveryMethod(bool configure) {
  std::vector<Outcome> out;
  stZUB_StoragePool pool = FirstHeld<&PROVIDER_CreateZubStoragePoolInstance>();
  const std::wstring controller = pool.InstanceID.Str();
  auto* pools = PROVIDER_CreateZubStoragePoolInstance();
  pool.SizesElementType = 2;
  pool.RangeElementType = 2;
  out.push_back(Call<stZUB_StoragePool>("ZUB_StoragePool", "GetSupportedSizes", pool,
                                        [&](auto* r) { return pools->GetSupportedSizes(r); }));
  out.push_back(Call<stZUB_StoragePool>("ZUB_StoragePool", "GetSupportedSizeRange", pool,
                                        [&](auto* r) { return pools->GetSupportedSizeRange(r); }));
  out.push_back(Call<stZUB_StoragePool>("ZUB_StoragePool", "GetAvailableExtents", pool,
                                        [&](auto* r) { return pools->GetAvailableExtents(r); }));

  auto* spares = PROVIDER_CreateZubSpareConfigurationServiceInstance();
  stZUB_SpareConfigurationService spare = ServiceOf<&PROVIDER_CreateZubSpareConfigurationServiceInstance>(controller);
  spare.Operation = kSpareCandidates;
  out.push_back(Call<stZUB_SpareConfigurationService>("ZUB_SpareConfigurationService", "GetExtents", spare,
                                                      [&](auto* r) { return spares->GetExtents(r); }));

  auto* alarms = PROVIDER_CreateZubAlarmDeviceInstance();
  stZUB_AlarmDevice alarm = FirstHeld<&PROVIDER_CreateZubAlarmDeviceInstance>();
  for (uint64_t state : {2u, 1u}) {
    alarm.State = state;
    out.push_back(Call<stZUB_AlarmDevice>("ZUB_AlarmDevice", "SetAlarmIndicator", alarm,
                                          [&](auto* r) { return alarms->SetAlarmIndicator(r); },
                                          std::to_string(state)));
  }

  // PutData of a volume setting as it is listed changes nothing.
  auto* volumeSettings = PROVIDER_CreateZubStorageSettingVolumeInstance();
  out.push_back(Call<stZUB_StorageSetting>(
      "ZUB_StorageSettingVolume", "PutData", FirstHeld<&PROVIDER_CreateZubStorageSettingVolumeInstance>(),
      [&](auto* r) { return volumeSettings->PutData(*r); }));
  if (!configure) return out;

  // A new volume on two available disks, from a goal setting of the pool's
  // capabilities, then deleted again.
  auto* capabilities = PROVIDER_CreateZubStorageCapabilitiesPrimordialInstance();
  stZUB_StorageCapabilitiesPrimordial caps;
  caps.InstanceID = controller.c_str();
  caps.SettingType = 3;
  Outcome created = Call<stZUB_StorageCapabilitiesPrimordial>(
      "ZUB_StorageCapabilitiesPrimordial", "CreateSetting", caps, [&](auto* r) {
        PROVIDER_STATUS s = capabilities->CreateSetting(r);
        caps = *r;
        return s;
      });
  out.push_back(created);
  auto* primordial = PROVIDER_CreateZubStorageSettingPrimordialInstance();
  stZUB_StorageSetting goal;
  for (const auto& s : Held<&PROVIDER_CreateZubStorageSettingPrimordialInstance>())
    if (caps.NewSetting.Str().find(L"\"" + s.InstanceID.Str() + L"\"") != std::wstring::npos) goal = s;
  goal.RaidLevel = L"RAID0";
  out.push_back(Call<stZUB_StorageSetting>("ZUB_StorageSettingPrimordial", "PutData", goal,
                                           [&](auto* r) { return primordial->PutData(*r); }));

  auto* config = PROVIDER_CreateZubStorageConfigurationServiceInstance();
  stZUB_StorageConfigurationService service =
      ServiceOf<&PROVIDER_CreateZubStorageConfigurationServiceInstance>(controller);
  const auto serviceCall = [&](const char* method, const std::string& variant, stZUB_StorageConfigurationService rec,
                             PROVIDER_STATUS (CZubStorageConfigurationServiceInterface::*call)(
                                 stZUB_StorageConfigurationService*)) {
    stZUB_StorageConfigurationService result;
    out.push_back(Call<stZUB_StorageConfigurationService>(
        "ZUB_StorageConfigurationService", method, rec,
        [&](auto* r) {
          PROVIDER_STATUS s = (config->*call)(r);
          result = *r;
          return s;
        },
        variant));
    return result;
  };
  stZUB_StorageConfigurationService create = service;
  create.CreateOrModifyParams.ElementName = kProofVolume;
  create.CreateOrModifyParams.ElementType = 2;
  create.CreateOrModifyParams.Goal = caps.NewSetting;
  create.CreateOrModifyParams.Size = kProofSize;
  std::vector<stZUB_StorageExtentDisk> available = AvailableDisks(controller);
  for (size_t i = 0; i < available.size() && i < 2; ++i)
    create.CreateOrModifyParams.InElements.Add(DiskPath(available[i]).c_str());
  create = serviceCall("CreateOrModifyElementFromElements", "create", create,
                     &CZubStorageConfigurationServiceInterface::CreateOrModifyElementFromElements);

  // Modified by its volume setting: expanded, a third disk added, the other
  // cache policy, renamed; then moved to RAID5.
  stZUB_StorageVolume made = VolumeNamed(kProofVolume);
  stZUB_StorageSetting goal2 = VolumeSettingOf(kProofVolume);
  goal2.CachePolicy = goal2.CachePolicy.Str() == L"WRITEBACK" ? L"WRITE_THROUGH" : L"WRITEBACK";
  volumeSettings->PutData(goal2);
  stZUB_StorageConfigurationService modify = service;
  modify.CreateOrModifyParams.ElementType = 2;
  modify.CreateOrModifyParams.ElementName = kRenamedVolume;
  modify.CreateOrModifyParams.Goal = SettingPath(goal2).c_str();
  modify.CreateOrModifyParams.Size = made.VolumeSize + kProofSize;
  modify.CreateOrModifyParams.TheElement = VolumePath(made).c_str();
  if (available.size() > 2) modify.CreateOrModifyParams.InElements.Add(DiskPath(available[2]).c_str());
  serviceCall("CreateOrModifyElementFromElements", "modify", modify,
            &CZubStorageConfigurationServiceInterface::CreateOrModifyElementFromElements);

  made = VolumeNamed(kRenamedVolume);
  stZUB_StorageSetting goal3 = VolumeSettingOf(kRenamedVolume);
  goal3.RaidLevel = L"RAID5";
  volumeSettings->PutData(goal3);
  modify = service;
  modify.CreateOrModifyParams.ElementType = 2;
  modify.CreateOrModifyParams.Goal = SettingPath(goal3).c_str();
  modify.CreateOrModifyParams.Size = made.VolumeSize;
  modify.CreateOrModifyParams.TheElement = VolumePath(made).c_str();
  serviceCall("CreateOrModifyElementFromElements", "level", modify,
            &CZubStorageConfigurationServiceInterface::CreateOrModifyElementFromElements);

  stZUB_StorageConfigurationService remove = service;
  remove.ReturnToStoragePoolParams.TheElement = VolumePath(VolumeNamed(kRenamedVolume)).c_str();
  serviceCall("ReturnToStoragePool", "", remove, &CZubStorageConfigurationServiceInterface::ReturnToStoragePool);
  out.push_back(Call<stZUB_StorageConfigurationService>("ZUB_StorageConfigurationService", "ScsiScan", service,
                                                        [&](auto* r) { return config->ScsiScan(r); }));

  // An available disk marked as spare and unmarked, by the disks the
  // service's own list holds (refreshed, as a client lists them first).
  PROVIDER_CreateZubStorageExtentDiskInstance()->Update();
  available = AvailableDisks(controller);
  for (uint32_t operation : {kSpareMark, kSpareUnmark}) {
    stZUB_SpareConfigurationService set = spare;
    set.Operation = operation;
    if (!available.empty()) set.SetSpareExtentsParams.InExtents.Add(DiskPath(available[0]).c_str());
    out.push_back(Call<stZUB_SpareConfigurationService>("ZUB_SpareConfigurationService", "SetSpareExtents", set,
                                                        [&](auto* r) { return spares->SetSpareExtents(r); },
                                                        std::to_string(operation)));
  }
  return out;
}

std::set<std::string> Spares() {
  PROVIDER_CreateZubStorageExtentDiskInstance()->Update();
  std::set<std::string> out;
  for (const auto& d : Held<&PROVIDER_CreateZubStorageExtentDiskInstance>())
    if (d.DiskUsage == 4) out.insert(std::string(d.EndDeviceHandle.Str().begin(), d.EndDeviceHandle.Str().end()));
  return out;
}

void Recover(const std::set<std::string>& spares) {
  PROVIDER_CreateZubStorageVolumeInstance()->Update();
  auto* config = PROVIDER_CreateZubStorageConfigurationServiceInstance();
  config->Update();
  const CArrayT<stZUB_StorageVolume> volumes = Held<&PROVIDER_CreateZubStorageVolumeInstance>();
  for (const auto& v : volumes) {
    if (v.ElementName.Str() != kProofVolume && v.ElementName.Str() != kRenamedVolume) continue;
    stZUB_StorageConfigurationService remove =
        ServiceOf<&PROVIDER_CreateZubStorageConfigurationServiceInstance>(v.ControllerHandle.Str());
    remove.ReturnToStoragePoolParams.TheElement = VolumePath(v).c_str();
    config->ReturnToStoragePool(&remove);
  }
  auto* service = PROVIDER_CreateZubSpareConfigurationServiceInstance();
  service->Update();
  PROVIDER_CreateZubStorageExtentDiskInstance()->Update();
  for (const auto& d : Held<&PROVIDER_CreateZubStorageExtentDiskInstance>()) {
    if (d.DiskUsage != 4 || spares.count(std::string(d.EndDeviceHandle.Str().begin(), d.EndDeviceHandle.Str().end())))
      continue;
    stZUB_SpareConfigurationService unmark =
        ServiceOf<&PROVIDER_CreateZubSpareConfigurationServiceInstance>(d.ControllerHandle.Str());
    unmark.Operation = kSpareUnmark;
    unmark.SetSpareExtentsParams.InExtents.Add(DiskPath(d).c_str());
    service->SetSpareExtents(&unmark);
  }
}

std::set<std::string> CatalogueMethods() {
  std::set<std::string> out;
  for (const ClassDesc& cls : ClassCatalog())
    for (const MethodDesc& m : cls.methods) out.insert(std::string(cls.name) + "." + m.name);
  return out;
}

std::set<std::string> InvokedMethods() {
  std::lock_guard<std::mutex> lock(g_invokedMutex);
  return Invoked();
}

}  // namespace zubproof

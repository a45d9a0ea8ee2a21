// adapter.cpp: CreateOrModifyElementFromStoragePool on the library's methods.
#include "host/view/adapter.h"

#include <algorithm>
#include <stdexcept>

#include "framework/catalog.h"
#include "host/kit/requests.h"
#include "host/view/records.h"

namespace zubview {

const char* const kAdapterMethod = "CreateOrModifyElementFromStoragePool";
const char* const kAdapterClass = "ZUB_StorageConfigurationService";

namespace {

// Calls a library method with `in` set on a fresh record of the class; the
// record afterwards.
Json Call(const char* cls, const char* method, const Json& in) {
  const ClassDesc* desc = FindClass(cls);
  const MethodDesc* m = nullptr;
  for (const MethodDesc& candidate : desc ? desc->methods : std::span<const MethodDesc>()) {
    if (std::string_view(candidate.name) == method) m = &candidate;
  }
  if (!m) throw std::logic_error(std::string(cls) + " has no method " + method);
  const RecordDesc& record = desc->record();
  zubcim::RecordPtr r = zubcim::NewRecord(record);
  std::string error;
  if (!zubcim::FromJson(record, in, r.get(), &error)) throw std::invalid_argument(error);
  zubcim::Requests::Process().Call(*desc, *m, r.get());
  return zubcim::ToJson(record, r.get());
}

// The value of key `name` in a reference text (Class.K="v",...); "" when none.
std::string KeyOf(const std::string& ref, const std::string& name) {
  for (const std::string& lead : {"." + name + "=\"", "," + name + "=\""}) {
    size_t at = ref.find(lead);
    if (at == std::string::npos) continue;
    at += lead.size();
    return ref.substr(at, ref.find('"', at) - at);
  }
  return "";
}

}  // namespace

const Json* PoolOfService(Source& source, const Json& service) {
  return FindRecord(source, "ZUB_StoragePool", "ControllerHandle", Text(service, "ControllerHandle"));
}

std::vector<Json> PickDisks(const std::vector<Json>& freeDisks, const std::string& level, uint64_t size,
                            uint64_t* largest) {
  std::vector<Json> disks = freeDisks;
  std::stable_sort(disks.begin(), disks.end(), [](const Json& a, const Json& b) {
    return Unsigned(a, "DiskSize") > Unsigned(b, "DiskSize");
  });
  *largest = 0;
  for (size_t n = 1; n <= disks.size(); ++n) {
    const uint64_t reached = DataDisks(level, n) * Unsigned(disks[n - 1], "DiskSize");
    if (DataDisks(level, n) == 0) continue;
    if (reached >= size) return std::vector<Json>(disks.begin(), disks.begin() + static_cast<std::ptrdiff_t>(n));
    *largest = std::max(*largest, reached);
  }
  return {};
}

PoolOutcome CreateFromPool(Source& source, const Json& service, const PoolRequest& request) {
  PoolOutcome out;
  Json params = {{"ElementName", request.elementName},
                 {"ElementType", request.elementType},
                 {"Goal", request.goal},
                 {"Size", request.size.value_or(0)},
                 {"TheElement", request.theElement}};
  if (request.theElement.empty()) {
    const Json* pool = PoolOfService(source, service);
    if (!pool) throw std::invalid_argument("the service's controller has no pool");
    if (!request.inPool.empty() && KeyOf(request.inPool, "InstanceID") != Text(*pool, "InstanceID"))
      throw std::invalid_argument("InPool is not the pool of the service's controller");
    const Json* goal = FindRecord(source, "ZUB_StorageSettingPrimordial", "InstanceID", KeyOf(request.goal, "InstanceID"));
    if (!goal) throw std::invalid_argument("Goal names no storage setting generated from the pool's capabilities");
    // The pool's free disks as the library lists them, the healthy ones.
    Json listed = Call("ZUB_StoragePool", "GetAvailableExtents", {{"InstanceID", Text(*pool, "InstanceID")}});
    std::vector<Json> free;
    for (const Json& ref : listed.value("AvailableExtents", Json::array())) {
      const Json* disk = FindRecord(source, "ZUB_StorageExtentDisk", "DeviceID", KeyOf(ref.get<std::string>(), "DeviceID"));
      if (disk && Signed(*disk, "DiskState") == 6 && Text(*disk, "ControllerHandle") == Text(service, "ControllerHandle"))
        free.push_back(*disk);
    }
    uint64_t largest = 0;
    std::vector<Json> picked = PickDisks(free, Text(*goal, "RaidLevel"), request.size.value_or(0), &largest);
    if (picked.empty()) {
      out.returnValue = kSizeNotSupported;
      out.size = largest;
      return out;
    }
    params["InElements"] = Json::array();
    for (const Json& disk : picked) {
      out.disks.push_back(ExtentRef(source, disk));
      params["InElements"].push_back(out.disks.back());
    }
  }
  Json in = {{"CreateOrModifyParams", params}};
  for (const char* key : {"Name", "CreationClassName", "SystemCreationClassName", "SystemName"}) in[key] = Text(service, key);
  const Json result = Call(kAdapterClass, "CreateOrModifyElementFromElements", in);
  out.returnValue = Unsigned(result, "ReturnValue");
  const Json& block = result["CreateOrModifyParams"];
  out.size = Unsigned(block, "Size");
  out.theElement = Text(block, "TheElement");
  return out;
}

}  // namespace zubview

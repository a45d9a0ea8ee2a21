// volume_command.cpp: the volume verbs.
#include "host/cli/volume_command.h"

#include <algorithm>
#include <cctype>
#include <memory>

#include "host/cli/cim_client.h"
#include "host/kit/errors.h"
#include "host/kit/join.h"

namespace zubcim {
namespace {

const char* const kLevels[] = {"RAID0", "RAID1", "RAID10", "RAID5", "RAID6"};
const char* const kCachePolicies[] = {"CACHING_OFF", "WRITE_THROUGH", "WRITEBACK"};

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

template <size_t N>
std::string OneOf(const std::string& value, const char* const (&allowed)[N], const std::string& what) {
  const std::string upper = Upper(value);
  for (const char* a : allowed) {
    if (upper == a) return upper;
  }
  std::string list;
  for (const char* a : allowed) AppendJoined(list, ", ", a);
  throw BadInput(what + " \"" + value + "\" is not one of " + list);
}

VolumeOutcome Outcome(const char* verb, const char* method, const Json& result, const std::string& success) {
  VolumeOutcome out{verb, method, result, ""};
  if (out.Succeeded()) out.success = success;
  return out;
}

// The outcome for people (or as JSON), and the exit code.
int Report(const HostOptions& options, const VolumeOutcome& outcome) {
  return ReportOutcome(options, "volume", outcome.verb, outcome.method, outcome.result, outcome.success);
}

// Calls a method of the configuration service of `controller`, on that
// service's instance as a CIM client does, with one parameter block set.
Json CallService(CimClient& client, const std::string& controller, const char* method, const char* block,
                 const Json& params) {
  Json service = FindOne(client.Instances("ZUB_StorageConfigurationService"), {"ControllerHandle"}, controller,
                         "storage configuration service of controller");
  service[block] = params;
  return client.Invoke("ZUB_StorageConfigurationService", method, service);
}

Json DiskReferences(CimClient& client, const std::vector<std::string>& disks) {
  Json refs = Json::array();
  if (disks.empty()) return refs;
  const Json all = client.Instances("ZUB_StorageExtentDisk");
  for (const std::string& d : disks) {
    refs.push_back(client.Reference("ZUB_StorageExtentDisk", FindDisk(all, d)));
  }
  return refs;
}

// The goal values of a request, set on a setting record.
void SetGoals(const VolumeRequest& r, Json* setting) {
  if (!r.level.empty()) (*setting)["RaidLevel"] = OneOf(r.level, kLevels, "RAID level");
  if (!r.strip.empty()) (*setting)["UserDataStripeDepth"] = ParseBytes(r.strip, "strip size");
  if (!r.cache.empty()) (*setting)["CachePolicy"] = OneOf(r.cache, kCachePolicies, "cache policy");
}

Json FindVolume(CimClient& client, const std::string& volume) {
  return FindOne(client.Instances("ZUB_StorageVolume"), {"ElementName", "DeviceID"}, volume, "volume");
}

}  // namespace

uint64_t ParseBytes(const std::string& text, const std::string& what) {
  size_t end = 0;
  uint64_t value = 0;
  try {
    value = std::stoull(text, &end);
  } catch (const std::exception&) {
    throw BadInput(what + " \"" + text + "\" is not a number of bytes");
  }
  const std::string unit = Upper(text.substr(end));
  const std::pair<const char*, int> units[] = {{"", 0}, {"K", 10}, {"KB", 10}, {"KIB", 10}, {"M", 20}, {"MB", 20},
                                               {"MIB", 20}, {"G", 30}, {"GB", 30}, {"GIB", 30}, {"T", 40}, {"TB", 40},
                                               {"TIB", 40}};
  for (auto [name, shift] : units) {
    if (unit == name && (value << shift >> shift) == value && text[0] != '-') return value << shift;
  }
  throw BadInput(what + " \"" + text + "\" is not a number of bytes (units: K, M, G, T)");
}

static VolumeOutcome CreateVolume(CimClient& client, const VolumeRequest& r) {
  if (r.controller.empty() || r.name.empty() || r.level.empty() || r.disks.empty())
    throw BadInput("volume create needs --controller, --name, --level and --disks");
  const std::string level = OneOf(r.level, kLevels, "RAID level");
  const uint64_t size = r.size.empty() ? 0 : ParseBytes(r.size, "size");
  const std::string controller = Text(FindOne(client.Instances("ZUB_PortController"), {"ElementName", "InstanceID"},
                                              r.controller, "controller"),
                                      "InstanceID");

  // A goal setting from the pool's capabilities, with the requested values.
  const Json caps = client.Instances("ZUB_StorageCapabilitiesPrimordial");
  if (std::none_of(caps.begin(), caps.end(), [&](const Json& c) { return Text(c, "InstanceID") == controller; }))
    throw HostError(kExitMethodFailed, "controller " + r.controller + " has no available disk (no primordial pool)");
  Json created = client.Invoke("ZUB_StorageCapabilitiesPrimordial", "CreateSetting",
                               {{"InstanceID", controller}, {"SettingType", 3}});
  if (created["record"]["ReturnValue"] != 0) return Outcome("create", "CreateSetting", created, "");
  const std::string goal = Text(created["record"], "NewSetting");
  Json setting;
  for (const Json& s : client.Instances("ZUB_StorageSettingPrimordial")) {
    if (goal.find("\"" + Text(s, "InstanceID") + "\"") != std::string::npos) setting = s;
  }
  SetGoals(r, &setting);
  setting["RaidLevel"] = level;
  client.Invoke("ZUB_StorageSettingPrimordial", "PutData", setting);

  // The sizes the pool offers bound what may be asked for.
  Json sizes = client.Invoke("ZUB_StoragePool", "GetSupportedSizes", {{"InstanceID", controller},
                                                                      {"SizesElementType", 2}});
  const Json& offered = sizes["record"]["Sizes"];
  if (size != 0 && !offered.empty() && size > offered.back().get<uint64_t>())
    throw HostError(kExitMethodFailed, "size " + r.size + " is larger than the pool offers (" +
                                           std::to_string(offered.back().get<uint64_t>()) + " bytes)");

  Json params = {{"ElementName", r.name}, {"ElementType", 2}, {"Goal", goal}, {"Size", size},
                 {"InElements", DiskReferences(client, r.disks)}};
  Json result = CallService(client, controller, "CreateOrModifyElementFromElements", "CreateOrModifyParams", params);
  const Json& out = result["record"]["CreateOrModifyParams"];
  return Outcome("create", "CreateOrModifyElementFromElements", result,
                "created " + Text(out, "TheElement") + ", " + std::to_string(out.value("Size", uint64_t{0})) +
                    " bytes");
}

static VolumeOutcome ModifyVolume(CimClient& client, const VolumeRequest& r) {
  if (r.volume.empty()) throw BadInput("volume modify needs the volume's name");
  if (r.name.empty() && r.level.empty() && r.strip.empty() && r.cache.empty() && r.size.empty() && r.disks.empty())
    throw BadInput("volume modify: nothing to change (--name, --level, --strip, --cache, --size, --add-disks)");
  const Json volume = FindVolume(client, r.volume);
  const std::string controller = Text(volume, "ControllerHandle");
  Json setting;
  for (const Json& s : client.Instances("ZUB_StorageSettingVolume")) {
    if (Text(s, "VolumeName") == Text(volume, "ElementName") && Text(s, "ControllerHandle") == controller)
      setting = s;
  }
  if (setting.is_null())
    throw HostError(kExitMethodFailed, "volume " + r.volume + " has no volume setting to use as the goal");
  SetGoals(r, &setting);
  client.Invoke("ZUB_StorageSettingVolume", "PutData", setting);

  const uint64_t size = r.size.empty() ? volume["VolumeSize"].get<uint64_t>() : ParseBytes(r.size, "size");
  Json params = {{"ElementName", r.name},
                 {"ElementType", 2},
                 {"Goal", client.Reference("ZUB_StorageSettingVolume", setting)},
                 {"Size", size},
                 {"InElements", DiskReferences(client, r.disks)},
                 {"TheElement", client.Reference("ZUB_StorageVolume", volume)}};
  Json result = CallService(client, controller, "CreateOrModifyElementFromElements", "CreateOrModifyParams", params);
  return Outcome("modify", "CreateOrModifyElementFromElements", result,
                "modified " + Text(volume, "DeviceID"));
}

static VolumeOutcome DeleteVolume(CimClient& client, const VolumeRequest& r) {
  if (r.volume.empty()) throw BadInput("volume delete needs the volume's name");
  const Json volume = FindVolume(client, r.volume);
  Json result = CallService(client, Text(volume, "ControllerHandle"), "ReturnToStoragePool",
                            "ReturnToStoragePoolParams",
                            {{"TheElement", client.Reference("ZUB_StorageVolume", volume)}});
  return Outcome("delete", "ReturnToStoragePool", result, "deleted " + Text(volume, "DeviceID"));
}

Json VolumeOutcome::ToJson() const {
  return {{"volume", verb}, {"invoke", method}, {"status", Status()}, {"record", result["record"]}};
}

VolumeOutcome RunVolumeVerb(CimClient& client, const std::string& verb, const VolumeRequest& request) {
  if (verb == "create") return CreateVolume(client, request);
  if (verb == "modify") return ModifyVolume(client, request);
  if (verb == "delete") return DeleteVolume(client, request);
  throw BadInput("volume: unknown verb \"" + verb + "\" (create, modify or delete)");
}

VolumeRequest VolumeRequestFromJson(const Json& in) {
  VolumeRequest r;
  if (!in.is_object()) throw BadInput("a volume request is an object");
  for (const auto& [key, value] : in.items()) {
    std::string* text = key == "volume"       ? &r.volume
                        : key == "controller" ? &r.controller
                        : key == "name"       ? &r.name
                        : key == "level"      ? &r.level
                        : key == "strip"      ? &r.strip
                        : key == "cache"      ? &r.cache
                        : key == "size"       ? &r.size
                                              : nullptr;
    if (text && value.is_string()) {
      *text = value.get<std::string>();
    } else if (key == "disks" && value.is_array() &&
               std::all_of(value.begin(), value.end(), [](const Json& d) { return d.is_string(); })) {
      r.disks = value.get<std::vector<std::string>>();
    } else {
      throw BadInput("volume request: \"" + key + "\" is not a known field of the right type");
    }
  }
  return r;
}

namespace {

int RunCommandOf(const HostOptions& options, const std::string& verb, const VolumeRequest& request) {
  Session session(options.session);
  CimClient client(session);
  return Report(options, RunVolumeVerb(client, verb, request));
}

}  // namespace

int VolumeCreateCommand(const HostOptions& options, const VolumeRequest& r) { return RunCommandOf(options, "create", r); }
int VolumeModifyCommand(const HostOptions& options, const VolumeRequest& r) { return RunCommandOf(options, "modify", r); }
int VolumeDeleteCommand(const HostOptions& options, const VolumeRequest& r) { return RunCommandOf(options, "delete", r); }

std::function<std::optional<int>(const HostOptions&)> AddVolumeCommands(CLI::App& app) {
  auto request = std::make_shared<VolumeRequest>();
  VolumeRequest& r = *request;
  CLI::App* volume = app.add_subcommand("volume", "create, modify or delete a RAID volume, as a CIM client would");
  volume->require_subcommand(1);
  CLI::App* create = volume->add_subcommand("create", "create a volume from disks");
  create->add_option("--controller", r.controller, "controller name or handle")->required();
  create->add_option("--name", r.name, "volume name (at most 17 characters)")->required();
  create->add_option("--level", r.level, "RAID0, RAID1, RAID10, RAID5 or RAID6")->required();
  create->add_option("--disks", r.disks, "disks by serial number or DeviceID")->required();
  create->add_option("--strip", r.strip, "strip size, e.g. 64K; default: the level's");
  create->add_option("--cache", r.cache, "CACHING_OFF, WRITE_THROUGH or WRITEBACK");
  create->add_option("--size", r.size, "size, e.g. 100G; default: the largest the disks allow");
  CLI::App* modify = volume->add_subcommand("modify", "rename, expand, add disks, change level or cache");
  modify->add_option("VOLUME", r.volume, "volume name or DeviceID")->required();
  modify->add_option("--name", r.name, "new name");
  modify->add_option("--level", r.level, "new RAID level");
  modify->add_option("--strip", r.strip, "new strip size");
  modify->add_option("--cache", r.cache, "new cache policy");
  modify->add_option("--size", r.size, "new (larger) size");
  modify->add_option("--add-disks", r.disks, "disks to add, by serial number or DeviceID");
  CLI::App* remove = volume->add_subcommand("delete", "delete a volume (its disks return to the pool)");
  remove->add_option("VOLUME", r.volume, "volume name or DeviceID")->required();
  return [=](const HostOptions& options) -> std::optional<int> {
    if (*create) return VolumeCreateCommand(options, *request);
    if (*modify) return VolumeModifyCommand(options, *request);
    if (*remove) return VolumeDeleteCommand(options, *request);
    return std::nullopt;
  };
}

}  // namespace zubcim

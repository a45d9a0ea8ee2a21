// wbem_fixture.h: the server's operations on a catalogue made for the tests:
// the library's ZUB_ComputerSystem and ZUB_StorageExtentDisk on a topology
// written here, a scratch association joining them, and a scratch service
// whose record has a field of every kind and a method with every kind of
// parameter (plus PutData, the write path of ModifyInstance).
#pragma once

#include <string>
#include <vector>

#include <pugixml.hpp>

#include "classes/storage/disk_extent.h"
#include "classes/system/computer_system.h"
#include "framework/association.h"
#include "framework/class_base.h"
#include "framework/object_path.h"
#include "host/wbem/operations.h"
#include "tests/support/sim_fixture.h"

namespace wbemtest {

// ---- the scratch service ------------------------------------------------------

struct stScratchService {
  CZubString CreationClassName, Name, Text;
  uint64_t Big = 0;
  int64_t Signed = 0;
  uint32_t Count = 0;
  int32_t Offset = 0;
  uint8_t Flag = 0;   // boolean
  uint64_t Mode = 0;  // uint16
  uint8_t Small = 0;
  int64_t Tiny = 0;   // sint8
  CZubString When;    // datetime
  CArrayT<uint64_t> Sizes;
  CArrayT<CZubString> Names;
  CZubString Owner;     // reference to ZUB_ComputerSystem
  CZubString Reserved;  // internal: must reach the methods
  // Echo's parameters: In*, Size both ways, Out*, and its return value.
  CZubString InText, InTarget;
  CArrayT<uint64_t> InSizes, OutSizes;
  uint8_t InForce = 0;
  CArrayT<CZubString> InElements;
  uint64_t Size = 0;
  CZubString OutText, OutTarget, OutNothing;
  uint32_t ReturnValue = 0;
  static const RecordDesc& Describe();
};

class ScratchServiceInterface : public CProviderInterfaceBase {
 public:
  virtual PROVIDER_STATUS GetData(CArrayT<stScratchService>* out) = 0;
  virtual PROVIDER_STATUS Echo(stScratchService* rec) = 0;
  virtual PROVIDER_STATUS PutData(stScratchService rec) = 0;
};

class ScratchService : public CZubClassT<ScratchServiceInterface, stScratchService> {
 public:
  PROVIDER_STATUS Update() override;
  PROVIDER_STATUS Echo(stScratchService* rec) override;
  PROVIDER_STATUS PutData(stScratchService rec) override;
  std::vector<stScratchService> source;
  PROVIDER_STATUS putStatus = PROVIDER_SUCCESS;
};
ScratchService& Service();
stScratchService ServiceRecord(const wchar_t* name);

std::span<const ClassDesc> TestCatalog();

std::string DiskName(const std::string& id);    // INSTANCENAME of a disk
std::string SystemName(const std::string& ctrl);  // INSTANCENAME of a controller
std::string ServiceName(const std::string& name);

// A simple request around an IMETHODCALL body.
std::string IntrinsicRequest(const std::string& op, const std::string& params, const std::string& ns = "root/corvo_zub");
std::string MethodRequest(const std::string& method, const std::string& target, const std::string& params);
// ModifyInstance in `ns` of `instanceName` with the INSTANCE's `properties`, and a
// PropertyList when `propertyList` is not empty ("<VALUE>..</VALUE>...").
std::string ModifyRequest(const std::string& ns, const std::string& instanceName, const std::string& className,
                          const std::string& properties, const std::string& propertyList = "");
inline std::string Property(const std::string& name, const std::string& type, const std::string& value) {
  return "<PROPERTY NAME=\"" + name + "\" TYPE=\"" + type + "\"><VALUE>" + value + "</VALUE></PROPERTY>";
}

class WbemFixture : public zubtest::SimFixture {
 protected:
  void SetUp() override;

  // Runs a request through `via` (by default `ops`); the response document.
  pugi::xml_document Call(const std::string& body, zubwbem::Operations* via = nullptr);
  pugi::xml_document Op(const std::string& op, const std::string& params) { return Call(IntrinsicRequest(op, params)); }
  // The CIM error code of a response (0: none).
  static int ErrorOf(const pugi::xml_document& doc);
  static pugi::xml_node ReturnValue(const pugi::xml_document& doc);

  zubwbem::Schema schema{TestCatalog()};
  zubwbem::ProviderGate gate{zubwbem::PathDefaults{"testhost", "root/corvo_zub"}};
  zubwbem::Operations ops{schema, gate};
  zubwbem::Outcome last;
};

}  // namespace wbemtest

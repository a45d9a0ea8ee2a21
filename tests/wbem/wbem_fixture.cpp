// wbem_fixture.cpp: the scratch classes and the request helpers.
#include "tests/wbem/wbem_fixture.h"

#include "framework/catalog.h"
#include "provider/provider.h"

namespace wbemtest {

struct stScratchLink {
  CZubString GroupComponent;
  CZubString PartComponent;
  static const RecordDesc& Describe();
};
class ScratchLinkInterface : public CAssociationInterface {
 public:
  virtual PROVIDER_STATUS GetData(CArrayT<stScratchLink>* out) = 0;
};
class ScratchLink : public CZubClassT<ScratchLinkInterface, stScratchLink> {
 public:
  PROVIDER_STATUS Update() override;
};

ZUB_DESCRIBE(stScratchLink, ZUB_FIELD(GroupComponent).Key(1).Ref("ZUB_ComputerSystem"),
             ZUB_FIELD(PartComponent).Key(2).Ref("ZUB_StorageExtentDisk"))

ZUB_DESCRIBE(stScratchService, ZUB_FIELD(CreationClassName).Key(1), ZUB_FIELD(Name).Key(2), ZUB_FIELD(Text),
             ZUB_FIELD(Big), ZUB_FIELD(Signed), ZUB_FIELD(Count), ZUB_FIELD(Offset),
             ZUB_FIELD(Flag).Cim(CimType::Boolean), ZUB_FIELD(Mode).Cim(CimType::UInt16), ZUB_FIELD(Small),
             ZUB_FIELD(Tiny).Cim(CimType::SInt8), ZUB_FIELD(When).Cim(CimType::DateTime), ZUB_FIELD(Sizes),
             ZUB_FIELD(Names), ZUB_FIELD(Owner).Ref("ZUB_ComputerSystem"), ZUB_FIELD(Reserved).Internal(),
             ZUB_FIELD(InText).In("Echo").As("Label"), ZUB_FIELD(InSizes).In("Echo"),
             ZUB_FIELD(InForce).In("Echo").Cim(CimType::Boolean),
             ZUB_FIELD(InTarget).In("Echo").Ref("ZUB_StorageExtentDisk"),
             ZUB_FIELD(InElements).In("Echo").Ref("ZUB_StorageExtentDisk"), ZUB_FIELD(Size).InOut("Echo"),
             ZUB_FIELD(OutText).Out("Echo"), ZUB_FIELD(OutTarget).Out("Echo").Ref("ZUB_StorageExtentDisk"),
             ZUB_FIELD(OutSizes).Out("Echo"), ZUB_FIELD(OutNothing).Out("Echo").Ref("ZUB_ComputerSystem"),
             ZUB_FIELD(ReturnValue).Return())

PROVIDER_STATUS ScratchLink::Update() {
  m_list.RemoveAll();
  CReferenceBuilder refs;
  PROVIDER_CreateZubComputerSystemInstance()->Update();
  PROVIDER_CreateZubStorageExtentDiskInstance()->Update();
  CArrayT<stZUB_ComputerSystem> systems;
  CArrayT<stZUB_StorageExtentDisk> disks;
  if (PROVIDER_STATUS s = ReadList<&PROVIDER_CreateZubComputerSystemInstance>(&systems)) return s;
  if (PROVIDER_STATUS s = ReadList<&PROVIDER_CreateZubStorageExtentDiskInstance>(&disks)) return s;
  Join(systems, disks, SameController, [&](const stZUB_ComputerSystem& system, const stZUB_StorageExtentDisk& disk) {
    stScratchLink rec;
    rec.GroupComponent = refs.To(L"ZUB_ComputerSystem", system);
    rec.PartComponent = refs.To(L"ZUB_StorageExtentDisk", disk);
    m_list.AddLocked(rec);
  });
  return UpdateDone();
}

ScratchLinkInterface* CreateScratchLink() { return Singleton<ScratchLink>(); }

PROVIDER_STATUS ScratchService::Update() {
  m_list.RemoveAll();
  for (const stScratchService& r : source) m_list.AddLocked(r);
  return UpdateDone();
}

PROVIDER_STATUS ScratchService::Echo(stScratchService* rec) {
  if (rec->InText.Str() == L"status") return PROVIDER_FAILED;  // fails without a return value
  // What the library reads back from the references it was handed.
  std::wstring out = rec->InText.Str() + L"|" + (rec->InForce ? L"force" : L"") + L"|" + rec->Reserved.Str();
  CWbemObjectPath target;
  target.ParsePath(rec->InTarget);
  if (target.m_keys.GetCount() > 0) out += L"|" + target.m_className.Str() + L":" + target.m_keys[1].m_value.Str();
  for (const CZubString& element : rec->InElements) {
    CWbemObjectPath path;
    path.ParsePath(element);
    out += L"|" + path.m_host.Str() + L"\\" + path.m_namespace.Str() + L":" + path.m_keys[1].m_value.Str();
  }
  rec->OutText = CZubString(out.c_str());
  rec->OutTarget = rec->InTarget;
  rec->OutSizes = rec->InSizes;
  rec->Size *= 2;
  rec->ReturnValue = rec->InText.Str() == L"fail" ? 4 : 0;
  return PROVIDER_SUCCESS;
}

PROVIDER_STATUS ScratchService::PutData(stScratchService rec) {
  if (putStatus != PROVIDER_SUCCESS) return putStatus;
  for (stScratchService& r : source) {
    if (r.Name.Str() == rec.Name.Str()) r = rec;
  }
  return PROVIDER_SUCCESS;
}

ScratchServiceInterface* CreateScratchService() { return Singleton<ScratchService>(); }
ScratchService& Service() { return *Singleton<ScratchService>(); }

stScratchService ServiceRecord(const wchar_t* name) {
  stScratchService r;
  r.CreationClassName = L"ZUB_ScratchService";
  r.Name = name;
  r.Reserved = L"kept";
  return r;
}

std::span<const ClassDesc> TestCatalog() {
  static const MethodDesc kMethods[] = {ZUB_METHOD(CreateScratchService, Echo),
                                        ZUB_METHOD(CreateScratchService, PutData)};
  static const ClassDesc classes[] = {
      *FindClass("ZUB_ComputerSystem"), *FindClass("ZUB_StorageExtentDisk"),
      ZUB_CLASS(CreateScratchService, "ZUB_ScratchService", "CIM_StorageConfigurationService", "A test service",
                                      kMethods),
      ZUB_CLASS(CreateScratchLink, "ZUB_ScratchSystemDisk", "CIM_SystemDevice", "A test association"), };
  return classes;
}

// Controller C1 (handle 1) with disks 11 and 12, controller C2 (handle 2) with disk 21.
constexpr const char* kTopology = R"({"middleware_version": "1", "controllers": [
  {"handle": 1, "name": "C1", "disks": [{"handle": 11, "serial": "S11"}, {"handle": 12, "serial": "S12"}]},
  {"handle": 2, "name": "C2", "type": 2, "disks": [{"handle": 21, "serial": "S21"}]}]})";

std::string DiskName(const std::string& id) {
  return R"(<INSTANCENAME CLASSNAME="ZUB_StorageExtentDisk"><KEYBINDING NAME="CreationClassName"><KEYVALUE>ZUB_StorageExtentDisk</KEYVALUE></KEYBINDING><KEYBINDING NAME="DeviceID"><KEYVALUE>)" +
         id + R"(</KEYVALUE></KEYBINDING><KEYBINDING NAME="SystemCreationClassName"><KEYVALUE>Corvo_ZUBe3.0</KEYVALUE></KEYBINDING><KEYBINDING NAME="SystemName"><KEYVALUE>Disk_)" +
         id + "</KEYVALUE></KEYBINDING></INSTANCENAME>";
}

std::string SystemName(const std::string& ctrl) {
  return R"(<INSTANCENAME CLASSNAME="ZUB_ComputerSystem"><KEYBINDING NAME="CreationClassName"><KEYVALUE VALUETYPE="string">Corvo_ZUBe3.0</KEYVALUE></KEYBINDING><KEYBINDING NAME="Name"><KEYVALUE VALUETYPE="string">)" +
         ctrl + "</KEYVALUE></KEYBINDING></INSTANCENAME>";
}

std::string ServiceName(const std::string& name) {
  return R"(<INSTANCENAME CLASSNAME="ZUB_ScratchService"><KEYBINDING NAME="CreationClassName"><KEYVALUE>ZUB_ScratchService</KEYVALUE></KEYBINDING><KEYBINDING NAME="Name"><KEYVALUE>)" +
         name + "</KEYVALUE></KEYBINDING></INSTANCENAME>";
}

namespace {
std::string Envelope(const std::string& call) {
  return R"(<?xml version="1.0" encoding="utf-8" ?><CIM CIMVERSION="2.0" DTDVERSION="2.0"><MESSAGE ID="4711" PROTOCOLVERSION="1.0"><SIMPLEREQ>)" +
         call + "</SIMPLEREQ></MESSAGE></CIM>";
}
std::string LocalNamespace(const std::string& ns) {
  std::string out = "<LOCALNAMESPACEPATH>";
  for (const std::string& part : zubwbem::SplitNamespace(ns)) out += "<NAMESPACE NAME=\"" + part + "\"/>";
  return out + "</LOCALNAMESPACEPATH>";
}
}  // namespace

std::string IntrinsicRequest(const std::string& op, const std::string& params, const std::string& ns) {
  return Envelope("<IMETHODCALL NAME=\"" + op + "\">" + LocalNamespace(ns) + params + "</IMETHODCALL>");
}

std::string MethodRequest(const std::string& method, const std::string& target, const std::string& params) {
  const bool instance = target.rfind("<INSTANCENAME", 0) == 0;
  std::string path = instance ? "<LOCALINSTANCEPATH>" + LocalNamespace("root/corvo_zub") + target + "</LOCALINSTANCEPATH>"
                              : "<LOCALCLASSPATH>" + LocalNamespace("root/corvo_zub") + "<CLASSNAME NAME=\"" + target +
                                    "\"/></LOCALCLASSPATH>";
  return Envelope("<METHODCALL NAME=\"" + method + "\">" + path + params + "</METHODCALL>");
}

std::string ModifyRequest(const std::string& ns, const std::string& instanceName, const std::string& className,
                          const std::string& properties, const std::string& propertyList) {
  const std::string instance = "<VALUE.NAMEDINSTANCE>" + instanceName + "<INSTANCE CLASSNAME=\"" + className + "\">" +
                               properties + "</INSTANCE></VALUE.NAMEDINSTANCE>";
  const std::string list = "<VALUE.ARRAY>" + propertyList + "</VALUE.ARRAY>";
  return IntrinsicRequest("ModifyInstance", "<IPARAMVALUE NAME=\"ModifiedInstance\">" + instance + "</IPARAMVALUE>" +
                          (propertyList.empty() ? "" : "<IPARAMVALUE NAME=\"PropertyList\">" + list + "</IPARAMVALUE>"), ns);
}

void WbemFixture::SetUp() {
  SimFixture::SetUp();
  Load(kTopology);
  stComputerStringNames names;
  names.Namespace = L"root\\corvo_zub";
  names.ComputerName = L"box";
  PROVIDER_CreateZubContainerInstance()->SetComputerNameStrings(names);
  Service().source = {ServiceRecord(L"one"), ServiceRecord(L"two")};
  Service().putStatus = PROVIDER_SUCCESS;
}

pugi::xml_document WbemFixture::Call(const std::string& body, zubwbem::Operations* via) {
  last = (via ? *via : ops).Handle(body, zubwbem::CimHeaders{"MethodCall", "", "", "1.0", "application/xml"});
  pugi::xml_document doc;
  EXPECT_EQ(last.http, 200) << last.cimError;
  EXPECT_TRUE(doc.load_string(last.body.c_str())) << last.body;
  return doc;
}

int WbemFixture::ErrorOf(const pugi::xml_document& doc) {
  pugi::xml_node rsp = doc.child("CIM").child("MESSAGE").child("SIMPLERSP");
  pugi::xml_node error = rsp.first_child().child("ERROR");
  return error ? error.attribute("CODE").as_int() : 0;
}

pugi::xml_node WbemFixture::ReturnValue(const pugi::xml_document& doc) {
  return doc.child("CIM").child("MESSAGE").child("SIMPLERSP").first_child().child("IRETURNVALUE");
}

}  // namespace wbemtest

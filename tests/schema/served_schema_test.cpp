// The standard classes compiled into the binary (host/cim/schema/*.mof): they
// read, hang together, and give clients what they look up.
#include <gtest/gtest.h>

#include <algorithm>

#include "host/cim/dmtf_schema.h"

namespace zubwbem {
namespace {

std::vector<std::string> KeysOf(const MofSchema& schema, std::string_view cls) {
  std::vector<std::string> keys;
  const MofClass* c = schema.Find(cls);
  if (!c) return keys;
  for (const MofProperty* p : schema.AllProperties(*c)) {
    if (p->Qualifier("Key")) keys.push_back(p->name);
  }
  return keys;
}

TEST(ServedSchema, EveryClassReferenceAndValueMapHoldsTogether) {
  const MofSchema& schema = ServedSchema();
  ASSERT_GT(schema.Classes().size(), 100u);
  std::vector<std::string> problems;
  auto classExists = [&](const std::string& where, const std::string& name) {
    if (!schema.Find(name)) problems.push_back(where + " names " + name + ", which is not in the schema");
  };
  auto valueMap = [&](const std::string& where, const MofQualifiers& qualifiers) {
    const MofQualifier* map = FindQualifier(qualifiers, "ValueMap");
    const MofQualifier* values = FindQualifier(qualifiers, "Values");
    if (map && values && map->value.items.size() != values->value.items.size()) {
      problems.push_back(where + ": ValueMap has " + std::to_string(map->value.items.size()) + " entries, Values " +
                         std::to_string(values->value.items.size()));
    }
    if (const MofQualifier* embedded = FindQualifier(qualifiers, "EmbeddedInstance")) {
      for (const std::string& name : embedded->value.Strings()) classExists(where, name);
    }
  };
  for (const MofClass& cls : schema.Classes()) {
    if (cls.name.rfind("CIM_", 0) != 0) problems.push_back(cls.name + " is not a CIM_ class");
    if (!cls.superclass.empty()) classExists(cls.name, cls.superclass);
    // The resolved view: an override's Values must still fit the ValueMap it inherits.
    for (const MofProperty* p : schema.AllProperties(cls)) {
      std::string where = cls.name + "." + p->name;
      if (p->IsReference()) classExists(where, p->refClass);
      valueMap(where, p->qualifiers);
    }
    for (const MofMethod* m : schema.AllMethods(cls)) {
      std::string where = cls.name + "." + m->name + "()";
      valueMap(where, m->qualifiers);
      for (const MofParameter& p : m->parameters) {
        if (p.IsReference()) classExists(where + " " + p.name, p.refClass);
        valueMap(where + " " + p.name, p.qualifiers);
      }
    }
    auto all = schema.AllProperties(cls);
    if (cls.Qualifier("Association") &&
        std::count_if(all.begin(), all.end(), [](const MofProperty* p) { return p->IsReference(); }) < 2)
      problems.push_back(cls.name + " is an association with fewer than two references");
  }
  for (const std::string& p : problems) ADD_FAILURE() << p;
}

TEST(ServedSchema, HoldsTheClassesOnlyClientsNameAndReadsEveryFile) {
  // The classes the provider's classes and alerts specialise are checked by
  // building the server's schema (Schema.TheCatalogueNames...), the interop
  // and subscription classes by the client check; these no code names.
  const MofSchema& schema = ServedSchema();
  for (const char* name : {"CIM_ConcreteJob", "CIM_DiskDrive", "CIM_MediaPresent", "CIM_HostedStoragePool",
                           "CIM_InstalledSoftwareIdentity", "CIM_StorageConfigurationCapabilities", "CIM_NetworkPort",
                           "CIM_InstCreation", "CIM_InstDeletion", "CIM_InstModification"})
    EXPECT_NE(schema.Find(name), nullptr) << name;
  // Every compiled-in file is read: the index includes each of the others.
  std::string index = ServedMofFile("schema.mof").value_or("");
  ASSERT_FALSE(index.empty());
  EXPECT_FALSE(ServedMofFile("nothing.mof").has_value());
  for (const EmbeddedMof* file = kEmbeddedMof; file->name; ++file) {
    if (std::string_view(file->name) == "schema.mof") continue;
    EXPECT_NE(index.find("#pragma include (\"" + std::string(file->name) + "\")"), std::string::npos) << file->name;
  }
}

TEST(ServedSchema, AnswersWhatClientsLookUp) {
  const MofSchema& schema = ServedSchema();
  // Keys reach a class through overrides that do not repeat them.
  // Name stands where CIM_ManagedSystemElement declares it, before CIM_System's own.
  EXPECT_EQ(KeysOf(schema, "CIM_ComputerSystem"), (std::vector<std::string>{"Name", "CreationClassName"}));
  EXPECT_EQ(KeysOf(schema, "CIM_StorageVolume"),
            (std::vector<std::string>{"SystemCreationClassName", "SystemName", "CreationClassName", "DeviceID"}));
  EXPECT_EQ(KeysOf(schema, "CIM_SystemDevice"), (std::vector<std::string>{"GroupComponent", "PartComponent"}));
  EXPECT_EQ(KeysOf(schema, "CIM_RegisteredProfile"), std::vector<std::string>{"InstanceID"});

  // An override narrows a reference's class.
  std::string partClass;
  for (const MofProperty* p : schema.AllProperties(*schema.Find("CIM_SystemDevice"))) {
    if (p->name == "PartComponent") partClass = p->refClass;
  }
  EXPECT_EQ(partClass, "CIM_LogicalDevice");
  // An output reference parameter of an inherited method.
  const MofParameter* job = nullptr;
  for (const MofMethod* m : schema.AllMethods(*schema.Find("CIM_StorageConfigurationService"))) {
    for (const MofParameter& p : m->parameters) {
      if (m->name == "CreateOrModifyElementFromStoragePool" && p.name == "Job") job = &p;
    }
  }
  ASSERT_NE(job, nullptr);
  EXPECT_EQ(job->refClass, "CIM_ConcreteJob");
  EXPECT_FALSE(job->Qualifier("In")->value.items[0].boolean);
  EXPECT_NE(job->Qualifier("Out"), nullptr);
}

}  // namespace
}  // namespace zubwbem

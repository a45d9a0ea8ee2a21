// Life-cycle indications: the watch's comparison of two listings (created, deleted, modified with the instance
// before and the properties that changed; a listing that fails compares nothing), and the export request a
// listener reads of each.
#include <gtest/gtest.h>

#include <stdexcept>

#include "host/cim/records.h"
#include "host/indications/export_message.h"
#include "host/indications/lifecycle.h"

namespace {

using zubwbem::CimValue;
using zubwbem::Instance;

std::span<const ClassDesc> VolumeCatalog() {
  static const ClassDesc classes[] = {*FindClass("ZUB_ComputerSystem"), *FindClass("ZUB_StorageVolume")};
  return classes;
}

class LifeCycle : public ::testing::Test {
 protected:
  // A volume named `name` with `size` and health 5, on controller C.
  Instance Volume(const std::string& name, const std::string& size) {
    const zubwbem::CimClass& cls = *schema.Find(zubwbem::ClassNs(), "ZUB_StorageVolume");
    Instance out{&cls, std::vector<CimValue>(cls.properties.size()), {}};
    const std::pair<const char*, std::string> set[] = {{"CreationClassName", "ZUB_StorageVolume"}, {"DeviceID", name},
        {"SystemCreationClassName", "ZUB_ComputerSystem"}, {"SystemName", "C"}, {"ElementName", name},
        {"VolumeSize", size}, {"HealthState", "5"}};
    for (const auto& [property, value] : set) {
      for (size_t i = 0; i < cls.properties.size(); ++i) {
        if (cls.properties[i].name == property) out.values[i] = CimValue{false, {value}, {}};
      }
    }
    out.path = zubwbem::PathOf(cls, out.values, "testhost");
    out.path.ns = zubwbem::SplitNamespace(zubwbem::ClassNs());
    return out;
  }
  static std::string Text(const Instance& instance, const char* property) {
    const CimValue* v = instance.Value(property);
    return v && !v->items.empty() ? v->items.front() : "(none)";
  }

  zubwbem::Schema schema{VolumeCatalog()};
  std::vector<Instance> listed;
  bool fail = false;
  zubwbem::LifeCycleWatch watch{schema, [this](const zubwbem::CimClass&) {
                                  if (fail) throw std::runtime_error("the class cannot be read");
                                  return listed;
                                }};
};

TEST_F(LifeCycle, ListingsAreComparedByPath) {
  listed = {Volume("Kept", "100"), Volume("Gone", "200"), Volume("Same", "300")};
  EXPECT_TRUE(watch.Compare().empty()) << "the first listing is taken in";
  fail = true;
  listed = {Volume("Kept", "150"), Volume("New", "400"), Volume("Same", "300")};
  EXPECT_TRUE(watch.Compare().empty()) << "a listing that fails";
  fail = false;
  const std::vector<zubwbem::LifeCycleEvent> events = watch.Compare();
  ASSERT_EQ(events.size(), 3u);
  EXPECT_STREQ(events[0].indicationClass, "CIM_InstCreation");
  EXPECT_EQ(Text(events[0].source, "DeviceID"), "New");
  EXPECT_FALSE(events[0].previous);
  EXPECT_STREQ(events[1].indicationClass, "CIM_InstDeletion");
  EXPECT_EQ(Text(events[1].source, "DeviceID"), "Gone");
  EXPECT_EQ(Text(events[1].source, "VolumeSize"), "200") << "as last listed";
  EXPECT_STREQ(events[2].indicationClass, "CIM_InstModification");
  EXPECT_EQ(Text(events[2].source, "VolumeSize"), "150");
  ASSERT_TRUE(events[2].previous);
  EXPECT_EQ(Text(*events[2].previous, "VolumeSize"), "100");
  EXPECT_EQ(events[2].changed, std::vector<std::string>{"VolumeSize"});
  EXPECT_TRUE(watch.Compare().empty()) << "each change once";

  // What a listener reads of the modification.
  zubwbem::ReceivedIndication read;
  ASSERT_FALSE(zubwbem::ReadExportRequest(
      zubwbem::LifeCycleExportRequest(schema, events[2], "7", "zubcim:1:7", zubwbem::DateTimeNow()), &read));
  EXPECT_EQ(read.className, "CIM_InstModification");
  EXPECT_TRUE(zubwbem::IsCimDateTime(read.Text("IndicationTime"))) << read.Text("IndicationTime");
  EXPECT_EQ(read.Text("SourceInstanceModelPath"),
            "//testhost/root/corvo_zub:ZUB_StorageVolume.CreationClassName=\"ZUB_StorageVolume\",DeviceID=\"Kept\","
            "SystemCreationClassName=\"ZUB_ComputerSystem\",SystemName=\"C\"");
  EXPECT_EQ(read.Text("ChangedPropertyNames"), "VolumeSize");
  auto embedded = [&](const char* property) {
    pugi::xml_document doc;
    doc.load_string(read.Text(property).c_str());
    pugi::xml_node instance = doc.child("INSTANCE");
    return std::string(instance.attribute("CLASSNAME").value()) + " " +
           instance.find_child_by_attribute("PROPERTY", "NAME", "VolumeSize").child_value("VALUE");
  };
  EXPECT_EQ(embedded("SourceInstance"), "ZUB_StorageVolume 150");
  EXPECT_EQ(embedded("PreviousInstance"), "ZUB_StorageVolume 100");
  // A creation carries no instance before.
  read = {};
  ASSERT_FALSE(zubwbem::ReadExportRequest(
      zubwbem::LifeCycleExportRequest(schema, events[0], "8", "zubcim:1:8", zubwbem::DateTimeNow()), &read));
  EXPECT_EQ(read.className, "CIM_InstCreation");
  EXPECT_EQ(embedded("SourceInstance"), "ZUB_StorageVolume 400");
  EXPECT_EQ(read.Value("PreviousInstance") ? read.Value("PreviousInstance")->null : true, true);
}

}  // namespace

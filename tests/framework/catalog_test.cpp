// The catalogue and the record descriptions: every description names every
// field of its record once and in order (proven on records made to break
// that rule), annotations are consistent, and the derived facts of a row
// (association flag, method parameters, CIM types) come out right.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "framework/catalog.h"

namespace {

struct Block {
  CZubString Name;
  uint64_t Size = 0;
  CArrayT<CZubString> Disks;
  static const RecordDesc& Describe();
};
ZUB_DESCRIBE(Block, ZUB_FIELD(Name).In(), ZUB_FIELD(Size).InOut(), ZUB_FIELD(Disks).Ref("ZUB_Disk").In())

struct Complete {
  CZubString Id;
  uint8_t A = 0;
  uint8_t B = 0;
  uint64_t Flags = 0;
  CArrayT<uint64_t> Codes;
  uint64_t Kind = 0;
  uint64_t ReturnValue = 0;
  Block Params;
  static const RecordDesc& Describe();
};
ZUB_DESCRIBE(Complete, ZUB_FIELD(Id).Key(1), ZUB_FIELD(A).Cim(CimType::Boolean), ZUB_FIELD(B).Internal(),
    ZUB_FIELD(Flags), ZUB_FIELD(Codes).Cim(CimType::UInt16), ZUB_FIELD(Kind).In("Check").As("ElementType"),
    ZUB_FIELD(ReturnValue).Return(), ZUB_FIELD(Params).Params("Create"))

// The same record described with one mistake each. A missing one-byte field
// hides in padding, which is why offsets alone cannot prove completeness.
#define FIELD(name) ZUB_FIELD_OF(Complete, name)
const FieldDesc kMissing[] = {FIELD(Id), FIELD(A), FIELD(Flags), FIELD(Codes), FIELD(Kind), FIELD(ReturnValue),
                              FIELD(Params)};
const FieldDesc kSwapped[] = {FIELD(Id), FIELD(B), FIELD(A), FIELD(Flags), FIELD(Codes), FIELD(Kind),
                              FIELD(ReturnValue), FIELD(Params)};
const FieldDesc kTwice[] = {FIELD(Id), FIELD(A), FIELD(A), FIELD(Flags), FIELD(Codes), FIELD(Kind), FIELD(ReturnValue),
                            FIELD(Params)};
const FieldDesc kKeyGap[] = {FIELD(Id).Key(2), FIELD(A), FIELD(B), FIELD(Flags), FIELD(Codes), FIELD(Kind),
                             FIELD(ReturnValue), FIELD(Params)};
#undef FIELD

TEST(Descriptions, ACompleteDescriptionPassesAndEveryKindOfSlipFails) {
  EXPECT_EQ(CheckDescription(Complete::Describe()), "");
  const auto check = [](std::span<const FieldDesc> fields) {
    return CheckDescription(DescribeRecord<Complete>("Complete", fields));
  };
  EXPECT_NE(check(kMissing).find("declares 8 fields, its description names 7"), std::string::npos) << check(kMissing);
  EXPECT_NE(check(kSwapped).find("Complete.A"), std::string::npos) << check(kSwapped);
  EXPECT_NE(check(kTwice), "");
  EXPECT_NE(check(kKeyGap).find("numbered"), std::string::npos) << check(kKeyGap);
}

// Types by field or as annotated (a method returns uint32), the properties,
// and a method's parameters with a block's reached through its block.
TEST(Descriptions, AnnotationsGiveCimTypesPropertiesAndParameters) {
  const RecordDesc& desc = Complete::Describe();
  std::string types, properties;
  for (const FieldDesc& f : desc.fields) types += CimTypeName(f) + ";";
  for (const FieldDesc& f : desc.fields) properties += f.IsProperty() ? f.CimName() + std::string(";") : "";
  EXPECT_EQ(types, "string;boolean;uint8;uint64;uint16[];uint64;uint32;;");
  EXPECT_EQ(CimTypeName(*Block::Describe().Find("Disks")), "ref[]");
  EXPECT_EQ(properties, "Id;A;Flags;Codes;");

  std::vector<ParameterDesc> check = MethodParameters(desc, "Check");
  ASSERT_EQ(check.size(), 1u);
  EXPECT_STREQ(check[0].field->CimName(), "ElementType");
  std::vector<ParameterDesc> create = MethodParameters(desc, "Create");
  ASSERT_EQ(create.size(), 3u);
  EXPECT_EQ(create[1].field->direction, Direction::InOut);
  Complete rec;
  *static_cast<uint64_t*>(create[1].At(&rec)) = 42;
  EXPECT_EQ(rec.Params.Size, 42u);
  EXPECT_EQ(ReturnValueField(desc), desc.Find("ReturnValue"));
}

// Over the whole catalogue: descriptions complete, every parameter names a
// method of its class, every method has a return value, names unique.
TEST(Catalogue, EveryClassIsDescribedCompletelyAndConsistently) {
  std::set<std::string> names;
  for (const ClassDesc& cls : ClassCatalog()) {
    SCOPED_TRACE(cls.name);
    EXPECT_TRUE(names.insert(cls.name).second) << "listed twice";
    EXPECT_EQ(FindClass(cls.name), &cls);
    EXPECT_EQ(std::strncmp(cls.superclass, "CIM_", 4), 0);
    EXPECT_GT(std::strlen(cls.description), 0u);
    const RecordDesc& desc = cls.record();
    EXPECT_EQ(CheckDescription(desc), "");
    CProviderInterfaceBase* object = cls.object();
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(object->m_bAssociation, cls.association);
    EXPECT_EQ(cls.object(), object) << "one object per class";
    std::set<std::string> methods;
    for (const MethodDesc& m : cls.methods)
      if (m.extrinsic) methods.insert(m.name);
    EXPECT_TRUE(methods.empty() || ReturnValueField(desc)) << "methods without a return value";
    for (const FieldDesc& f : desc.fields) {
      EXPECT_TRUE(!f.method || methods.count(f.method)) << f.name << " names method " << f.method;
      EXPECT_TRUE(!f.key || !cls.association || f.reference) << f.name << ": an association's key is a reference";
    }
  }
  EXPECT_EQ(FindClass("ZUB_NoSuchClass"), nullptr);
}

}  // namespace

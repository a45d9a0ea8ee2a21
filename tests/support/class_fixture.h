// class_fixture.h: the fixture of tests of the provider's classes: the
// simulation fixture, the middleware counted as initialised by the provider,
// and listing a class the way a host does, checking that every middleware
// session the listing opened was closed.
#pragma once

#include <initializer_list>
#include <string>

#include "framework/catalog.h"
#include "middleware/middleware_state.h"
#include "provider/provider.h"
#include "tests/support/sim_fixture.h"

namespace zubtest {

// "Name=value; ..." of the named fields of a record (lists as "a,b"), to
// compare many fields of one record at once.
template <class Rec>
std::wstring Fields(const Rec& rec, std::initializer_list<const char*> names) {
  std::wstring out;
  for (const char* name : names) {
    const FieldDesc* f = Rec::Describe().Find(name);
    std::wstring value = L"?";
    if (f) {
      switch (f->type) {
        case FieldType::Text: value = f->Value<CZubString>(&rec).Str(); break;
        case FieldType::UInt64: value = std::to_wstring(f->Value<uint64_t>(&rec)); break;
        case FieldType::Int64: value = std::to_wstring(f->Value<int64_t>(&rec)); break;
        case FieldType::UInt32: value = std::to_wstring(f->Value<uint32_t>(&rec)); break;
        case FieldType::Int32: value = std::to_wstring(f->Value<int32_t>(&rec)); break;
        case FieldType::UInt8: value = std::to_wstring(f->Value<uint8_t>(&rec)); break;
        case FieldType::UInt64List:
          value.clear();
          for (uint64_t n : f->Value<CArrayT<uint64_t>>(&rec)) value += (value.empty() ? L"" : L",") + std::to_wstring(n);
          break;
        case FieldType::TextList:
          value.clear();
          for (const CZubString& s : f->Value<CArrayT<CZubString>>(&rec)) value += (value.empty() ? L"" : L",") + s.Str();
          break;
        default: break;
      }
    }
    out += (out.empty() ? L"" : L"; ") + std::wstring(name, name + std::char_traits<char>::length(name)) + L"=" + value;
  }
  return out;
}

class ClassFixture : public SimFixture {
 protected:
  // Also no host names: every path a test sees starts "\\\:" unless the
  // test hands names in itself, whatever ran before it in the process.
  void SetUp() override {
    SimFixture::SetUp();
    g_bMiddlewareInitialized = true;
    PROVIDER_CreateZubContainerInstance()->SetComputerNameStrings(stComputerStringNames{});
  }

  // Update (expecting `status`), then GetData of the class Factory makes.
  template <auto Factory>
  static CArrayT<RecordOf<Factory>> List(PROVIDER_STATUS status = PROVIDER_SUCCESS) {
    auto* object = Factory();
    CArrayT<RecordOf<Factory>> out;
    EXPECT_NE(object, nullptr);
    if (!object) return out;
    EXPECT_EQ(object->Update(), status);
    EXPECT_EQ(object->GetData(&out), PROVIDER_SUCCESS);
    ExpectSessionsBalanced();
    return out;
  }
};

}  // namespace zubtest

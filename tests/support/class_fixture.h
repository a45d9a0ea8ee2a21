// class_fixture.h: the fixture of tests of the provider's classes: the
// simulation fixture, the middleware counted as initialised by the provider,
// and listing a class the way a host does, checking that every middleware
// session the listing opened was closed.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "framework/catalog.h"
#include "middleware/middleware_state.h"
#include "middleware/read_once.h"
#include "provider/provider.h"
#include "tests/support/sim_fixture.h"

namespace zubtest {

// The value of one named field of a record as text (lists as "a,b"; "?"
// when the record has no such field).
template <class Rec>
std::wstring FieldText(const Rec& rec, const char* name) {
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
  return value;
}

// Listings compared as tables: a record's named fields, values only, joined
// by "|" (the column names are written once, where the expected table
// starts), and one such row per record.
using Rows = std::vector<std::wstring>;

template <class Rec>
std::wstring Row(const Rec& rec, std::initializer_list<const char*> columns) {
  std::wstring row;
  for (const char* column : columns) row += (row.empty() ? L"" : L"|") + FieldText(rec, column);
  return row;
}

template <class Rec>
Rows Table(const CArrayT<Rec>& records, std::initializer_list<const char*> columns) {
  Rows out;
  for (const Rec& r : records) out.push_back(Row(r, columns));
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
    // Class tests follow each class's reading call by call, and fail calls
    // that succeeded before: the read-once store, which would answer those
    // from memory, is off unless the fixture says otherwise. Either way it
    // starts empty.
    m_readOnceBefore = zubmw::ReadOnceOn();
    zubmw::Disarm();
    zubmw::SetReadOnce(ReadOnce(m_readOnceBefore));
  }
  void TearDown() override {
    zubmw::Disarm();
    zubmw::SetReadOnce(m_readOnceBefore);
    SimFixture::TearDown();
  }
  // Whether the store is on, given whether the environment turns it on.
  virtual bool ReadOnce(bool /*configured*/) const { return false; }

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

 private:
  bool m_readOnceBefore = true;
};

}  // namespace zubtest

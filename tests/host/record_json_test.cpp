// record_json_test.cpp: the record <-> JSON conversion on a record made here
// with every field type, where a fault would otherwise hide behind classes
// that do not use that type yet: texts outside ASCII and the Basic
// Multilingual Plane (the UTF-16 path on Windows), the full unsigned 64-bit
// range, and input that must be refused with the field's name.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "host/kit/record_json.h"
#include "host/kit/wide_text.h"

namespace {

using zubcim::Json;

struct TestBlock {
  CZubString Label;
  uint32_t Count = 0;
  static const RecordDesc& Describe();
};
ZUB_DESCRIBE(TestBlock, ZUB_FIELD(Label), ZUB_FIELD(Count))

struct TestRecord {
  CZubString Text;
  uint64_t Big = 0;
  int64_t Wide = 0;
  uint32_t Mid = 0;
  int32_t Signed = 0;
  uint8_t Flag = 0;
  CArrayT<uint64_t> Numbers;
  CArrayT<CZubString> Texts;
  TestBlock Params;
  static const RecordDesc& Describe();
};
ZUB_DESCRIBE(TestRecord, ZUB_FIELD(Text), ZUB_FIELD(Big), ZUB_FIELD(Wide), ZUB_FIELD(Mid), ZUB_FIELD(Signed),
             ZUB_FIELD(Flag), ZUB_FIELD(Numbers), ZUB_FIELD(Texts), ZUB_FIELD(Params))

// "Déjà 日本 😀": two-byte, three-byte and four-byte UTF-8; the last one is
// a surrogate pair where wchar_t has 16 bits.
const char kUtf8[] = "D\xC3\xA9j\xC3\xA0 \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80";

// Each type at its extremes, read into a record and written back.
TEST(RecordJson, EveryFieldTypeSurvivesARoundTrip) {
  const std::string line = std::string(R"({"Text":")") + kUtf8 +
      R"(","Big":18446744073709551615,"Wide":-9223372036854775808,"Mid":4294967295,"Signed":-2147483648,"Flag":255,)"
      R"("Numbers":[0,18446744073709551615],"Texts":["a",")" + kUtf8 + R"("],"Params":{"Label":"inner","Count":7}})";
  const RecordDesc& desc = TestRecord::Describe();
  zubcim::RecordPtr rec = zubcim::NewRecord(desc);
  std::string error;
  ASSERT_TRUE(zubcim::FromJson(desc, Json::parse(line), rec.get(), &error)) << error;
  const TestRecord& read = *static_cast<TestRecord*>(rec.get());
  EXPECT_EQ(read.Text.GetLength(), sizeof(wchar_t) == 2 ? 10u : 9u);
  EXPECT_EQ(read.Texts[1].Str(), read.Text.Str());
  EXPECT_EQ(read.Big, std::numeric_limits<uint64_t>::max());
  EXPECT_EQ(read.Wide, std::numeric_limits<int64_t>::min());
  EXPECT_EQ(read.Signed, std::numeric_limits<int32_t>::min());
  EXPECT_EQ(read.Params.Count, 7u);
  EXPECT_EQ(zubcim::JsonLine(zubcim::ToJson(desc, rec.get())), line);
}

TEST(RecordJson, BadInputIsRefusedNamingTheField) {
  struct Case {
    const char* in;
    const char* mentions;
  } cases[] = {
      {R"({"Nope": 1})", "\"Nope\""}, {R"({"Params": {"Nope": 1}})", "\"Params.Nope\""},
      {R"({"Text": 5})", "\"Text\": expected a string"}, {R"({"Text": "a\u0000b"})", "\"Text\""},
      {R"({"Big": -1})", "\"Big\""}, {R"({"Big": 1.5})", "\"Big\""}, {R"({"Big": "1"})", "\"Big\""},
      {R"({"Wide": 9223372036854775808})", "\"Wide\""}, {R"({"Mid": 4294967296})", "\"Mid\""},
      {R"({"Signed": 2147483648})", "\"Signed\""}, {R"({"Signed": -2147483649})", "\"Signed\""},
      {R"({"Flag": 256})", "\"Flag\""}, {R"({"Flag": true})", "\"Flag\""},
      {R"({"Numbers": [1, "x"]})", "\"Numbers[1]\""}, {R"({"Numbers": 1})", "\"Numbers\""},
      {R"({"Texts": ["a", 2]})", "\"Texts[1]\""}, {R"({"Params": 3})", "\"Params\""}, {R"([1])", "TestRecord"}, };
  const RecordDesc& desc = TestRecord::Describe();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.in);
    zubcim::RecordPtr rec = zubcim::NewRecord(desc);
    std::string error;
    EXPECT_FALSE(zubcim::FromJson(desc, Json::parse(c.in), rec.get(), &error));
    EXPECT_NE(error.find(c.mentions), std::string::npos) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos);
  }
}

// A broken text must still print: nlohmann refuses to dump invalid UTF-8.
TEST(WideText, InvalidTextBecomesReplacementCharacters) {
  std::wstring loneSurrogate(1, static_cast<wchar_t>(0xD800));
  EXPECT_EQ(zubcim::ToUtf8(loneSurrogate + L"x"), "\xEF\xBF\xBDx");
  EXPECT_EQ(zubcim::FromUtf8("\xC3"), std::wstring(1, static_cast<wchar_t>(0xFFFD)));
  EXPECT_EQ(zubcim::FromUtf8("\xC0\xAF" "a"), std::wstring(L"\xFFFD\xFFFD" L"a")) << "overlong form";
  EXPECT_EQ(zubcim::FromUtf8("\xED\xA0\x80"), std::wstring(L"\xFFFD\xFFFD\xFFFD")) << "encoded surrogate";
  EXPECT_EQ(zubcim::ToUtf8(zubcim::FromUtf8(kUtf8)), kUtf8);
}

}  // namespace

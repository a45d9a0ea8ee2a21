// Numbers and 8-bit middleware text to wide text and back, local time and host name: the runtimes differ (16-bit
// wchar_t and msvcrt on Windows, 32-bit wchar_t and glibc elsewhere); the results must not.
#include <gtest/gtest.h>

#include <cstdint>
#include <regex>
#include <string>

#include "framework/text.h"
#include "platform/platform.h"
#include "platform/process/process.h"
#include "zubprov/zub_string.h"

namespace {

TEST(Numbers, FormatAndParseFullRangeReadingTheLeadingNumberOnly) {
  const struct { uint64_t value; const wchar_t* text; } cases[] = {
      {0, L"0"}, {4294967295u, L"4294967295"}, {18446744073709551615u, L"18446744073709551615"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    wchar_t buf[84];
    EXPECT_EQ(platform::FormatU64(buf, 84, c.value), std::wstring(c.text).size());
    EXPECT_EQ(std::wstring(buf), c.text);
    EXPECT_EQ(NumberText(c.value).Str(), c.text);
    uint64_t parsed = 7;
    EXPECT_TRUE(platform::ParseU64(c.text, &parsed) && parsed == c.value) << parsed;
  }
  uint64_t v = 0;
  EXPECT_TRUE(platform::ParseU64(L" 42abc", &v) && v == 42u) << v;
  for (const wchar_t* bad : {L"", L"abc", L"  ", static_cast<const wchar_t*>(nullptr)}) {
    v = 7;
    EXPECT_FALSE(platform::ParseU64(bad, &v)) << testing::PrintToString(bad);
    EXPECT_EQ(v, 7u);
  }
  // A handle keeps the low 32 bits of the number.
  EXPECT_EQ(HandleFromText(CZubString(L"4294967297")), 1u);
}

TEST(MultiByte, WidensEachByteToTheSameCodeUnitStopsAtTerminatorOrLimitAndRoundTrips) {
  // A signed char must not sign-extend into 0xFFxx (or 0xFFFFFFxx).
  std::string bytes;
  for (int b = 1; b < 256; ++b) bytes.push_back(static_cast<char>(b));
  const std::wstring wide = platform::WidenMultiByte(bytes.c_str(), bytes.size());
  ASSERT_EQ(wide.size(), bytes.size());
  for (size_t i = 0; i < wide.size(); ++i) EXPECT_EQ(static_cast<uint32_t>(wide[i]), i + 1) << "byte " << i + 1;
  EXPECT_EQ(platform::NarrowToMultiByte(wide, 255), bytes);
  EXPECT_EQ(platform::NarrowToMultiByte(wide, 2), "\x01\x02");
  EXPECT_EQ(platform::WidenMultiByte("a\0bc", 4), L"a");
  // A field filled to its end has no terminator; nothing past the limit is read.
  const char full[3] = {'\xE9', 'x', 'y'};
  EXPECT_EQ(platform::WidenMultiByte(full, 2), (std::wstring{wchar_t(0xE9), L'x'}));
  EXPECT_EQ(FromMultiByte(full).Str(), (std::wstring{wchar_t(0xE9), L'x', L'y'}));
}

// The time is never compared with a clock, only its shape: the Windows runtime writes the day of the month with a
// leading zero where glibc writes a blank.
TEST(System, LocalTimeHasAsctimeShapeAndTheHostNameIsOneLineOfText) {
  const std::string text = platform::LocalTimeText();
  static const std::regex shape("(Sun|Mon|Tue|Wed|Thu|Fri|Sat) (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) "
      "([ 0][1-9]|[12][0-9]|3[01]) ([01][0-9]|2[0-3]):[0-5][0-9]:[0-6][0-9] [0-9]{4}\n");
  EXPECT_TRUE(std::regex_match(text, shape)) << "'" << text << "'";
  const std::string name = platform::HostName();
  EXPECT_FALSE(name.empty());
  EXPECT_EQ(name.find_first_of(std::string("\n\r\0", 3)), std::string::npos);
}

}  // namespace

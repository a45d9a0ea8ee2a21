// Numbers and 8-bit middleware text to wide text and back, local time and
// host name: the runtimes differ (16-bit wchar_t and msvcrt on Windows,
// 32-bit wchar_t and glibc elsewhere); the results must not.
#include <gtest/gtest.h>

#include <cstdint>
#include <regex>
#include <string>

#include "framework/text.h"
#include "platform/platform.h"
#include "platform/process/process.h"
#include "zubprov/zub_string.h"

namespace text {

struct NumberCase {
  uint64_t value;
  const wchar_t* text;
};
constexpr NumberCase kNumbers[] = {
    {0, L"0"}, {4294967295u, L"4294967295"}, {18446744073709551615u, L"18446744073709551615"}, };

TEST(Numbers, FormatAndParseFullRange) {
  for (const NumberCase& c : kNumbers) {
    SCOPED_TRACE(c.value);
    wchar_t buf[84];
    size_t n = platform::FormatU64(buf, 84, c.value);
    EXPECT_EQ(std::wstring(buf), c.text);
    EXPECT_EQ(n, std::wstring(c.text).size());

    uint64_t parsed = 7;
    EXPECT_TRUE(platform::ParseU64(c.text, &parsed));
    EXPECT_EQ(parsed, c.value);

    CZubString s;
    s.FromNumber(c.value);
    EXPECT_EQ(s.Str(), c.text);
  }
}

TEST(Numbers, ParseReadsLeadingNumberAndRejectsNonNumbers) {
  uint64_t v = 0;
  EXPECT_TRUE(platform::ParseU64(L" 42abc", &v));
  EXPECT_EQ(v, 42u);
  for (const wchar_t* bad : {L"", L"abc", L"  "}) {
    v = 7;
    EXPECT_FALSE(platform::ParseU64(bad, &v)) << "'" << bad << "'";
    EXPECT_EQ(v, 7u);
  }
  EXPECT_FALSE(platform::ParseU64(nullptr, &v));
  // A handle keeps the low 32 bits of the number.
  EXPECT_EQ(HandleFromText(CZubString(L"4294967297")), 1u);
}

TEST(MultiByte, WidensEachByteToTheSameCodeUnitStopsAtTerminatorOrLimitAndRoundTrips) {
  std::wstring wide = platform::WidenMultiByte("\xE9t\xE9", 3);
  EXPECT_EQ(wide, (std::wstring{wchar_t(0xE9), L't', wchar_t(0xE9)}));
  char field[8] = "\xE9t\xE9";
  EXPECT_EQ(FromMultiByte(field).Str(), wide);

  // A signed char must not sign-extend into 0xFFxx (or 0xFFFFFFxx).
  std::string bytes;
  for (int b = 1; b < 256; ++b) bytes.push_back(static_cast<char>(b));
  wide = platform::WidenMultiByte(bytes.c_str(), bytes.size());
  ASSERT_EQ(wide.size(), bytes.size());
  for (size_t i = 0; i < wide.size(); ++i)
    EXPECT_EQ(static_cast<uint32_t>(wide[i]), i + 1) << "byte " << i + 1;
  EXPECT_EQ(platform::NarrowToMultiByte(wide, 255), bytes);
  EXPECT_EQ(platform::NarrowToMultiByte(wide, 2), "\x01\x02");

  EXPECT_EQ(platform::WidenMultiByte("a\0bc", 4), L"a");
  // A field filled to its end has no terminator; nothing past it is read.
  char full[3] = {'\xE9', 'x', 'y'};
  EXPECT_EQ(platform::WidenMultiByte(full, 2), (std::wstring{wchar_t(0xE9), L'x'}));
}

}  // namespace text

// system_test.cpp: local time and host name. The time is never compared
// with a clock, only its shape: the Windows runtime writes the day of the
// month with a leading zero where glibc writes a blank.
namespace host_system {

TEST(System, LocalTimeHasAsctimeShape) {
  std::string text = platform::LocalTimeText();
  ASSERT_FALSE(text.empty());
  EXPECT_EQ(text.back(), '\n');
  static const std::regex shape("(Sun|Mon|Tue|Wed|Thu|Fri|Sat) (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) "
      "([ 0][1-9]|[12][0-9]|3[01]) ([01][0-9]|2[0-3]):[0-5][0-9]:[0-6][0-9] [0-9]{4}\n");
  EXPECT_TRUE(std::regex_match(text, shape)) << "'" << text << "'";
}

TEST(System, HostNameIsOneLineOfText) {
  std::string name = platform::HostName();
  EXPECT_FALSE(name.empty());
  EXPECT_EQ(name.find_first_of(std::string("\n\r\0", 3)), std::string::npos);
}

}  // namespace host_system

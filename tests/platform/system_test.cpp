// system_test.cpp: local time and host name. The time is never compared
// with a clock, only its shape: the Windows runtime writes the day of the
// month with a leading zero where glibc writes a blank.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "platform/platform.h"
#include "platform/process/process.h"

namespace {

TEST(System, LocalTimeHasAsctimeShape) {
  std::string text = platform::LocalTimeText();
  ASSERT_FALSE(text.empty());
  EXPECT_EQ(text.back(), '\n');
  static const std::regex shape(
      "(Sun|Mon|Tue|Wed|Thu|Fri|Sat) (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) "
      "([ 0][1-9]|[12][0-9]|3[01]) ([01][0-9]|2[0-3]):[0-5][0-9]:[0-6][0-9] [0-9]{4}\n");
  EXPECT_TRUE(std::regex_match(text, shape)) << "'" << text << "'";
}

TEST(System, HostNameIsOneLineOfText) {
  std::string name = platform::HostName();
  EXPECT_FALSE(name.empty());
  EXPECT_EQ(name.find_first_of(std::string("\n\r\0", 3)), std::string::npos);
}

}  // namespace

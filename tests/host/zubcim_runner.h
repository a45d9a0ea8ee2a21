// zubcim_runner.h: runs the built zubcim as a separate process, the way a
// script would, and captures its exit code and both output streams.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/process/process.h"

namespace zubcim_test {

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

struct Result {
  int code = -1;
  std::string out, err;
  std::vector<std::string> outLines() const { return Lines(out); }
  std::vector<std::string> errLines() const { return Lines(err); }
  // Every stdout line parsed; a line that is not JSON fails the test.
  std::vector<Json> json() const {
    std::vector<Json> values;
    for (const std::string& line : outLines()) {
      Json v = Json::parse(line, nullptr, false);
      EXPECT_FALSE(v.is_discarded()) << "not JSON: " << line;
      values.push_back(v);
    }
    return values;
  }
};

inline void SetEnv(const char* name, const char* value) { platform::SetEnvironment(name, value); }

// Each test gets its own folder, so tests may run in parallel.
class ZubcimTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device random;
    dir_ = fs::temp_directory_path() / ("zubcim_test_" + std::to_string(random()) + std::to_string(random()));
    fs::create_directories(dir_);
    // Runs must not depend on the caller's environment.
    SetEnv("ABRU2_TOPOLOGY", nullptr);
    SetEnv("COLUMNS", nullptr);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }

  std::string Write(const std::string& name, const std::string& content) {
    fs::path path = dir_ / name;
    std::ofstream(path, std::ios::binary) << content;
    return path.string();
  }

  static std::string Read(const fs::path& path) {
    return {std::istreambuf_iterator<char>(std::ifstream(path, std::ios::binary).rdbuf()), {}};
  }

  // args is appended to the command line as is; quote paths with Quote().
  Result Run(const std::string& args, const std::string& input = "") {
    const std::string in = Write("stdin.txt", input);
    const fs::path out = dir_ / "stdout.txt", err = dir_ / "stderr.txt";
    std::string command = Quote(ZUBCIM_PATH) + " " + args + " <" + Quote(in) + " >" + Quote(out.string()) +
                          " 2>" + Quote(err.string());
    const int code = platform::RunShellCommand(command);
    return {code, Read(out), Read(err)};
  }

  static std::string Quote(const std::string& s) { return "\"" + s + "\""; }

  fs::path dir_;
};

// The contract's form of a failure: exit 2, nothing on stdout, one line on
// stderr that contains `mentions`.
#define EXPECT_BAD_INPUT(result, mentions)                                     \
  do {                                                                         \
    const ::zubcim_test::Result& r_ = (result);                                \
    EXPECT_EQ(r_.code, 2) << r_.err;                                           \
    EXPECT_EQ(r_.out, "");                                                     \
    EXPECT_EQ(r_.errLines().size(), 1u) << r_.err;                             \
    EXPECT_NE(r_.err.find(mentions), std::string::npos) << r_.err;             \
  } while (0)

}  // namespace zubcim_test

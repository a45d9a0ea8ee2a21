// library_copy.h: a private copy of the built provider library, loaded at
// run time. Its singletons are its own and start unused, so a test can see
// what only the first call in a process does (a first Initialize, a first
// SsiInitialize), whatever ran before it in the same process; the middleware
// it calls is the one shared simulation of this process.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>

#include "platform/process/process.h"

namespace zubtest {

class LibraryCopy {
 public:
  // `library`: the built provider library (ZUBPROV_PATH in the tests).
  explicit LibraryCopy(const std::string& library) {
    namespace fs = std::filesystem;
    std::random_device random;
    m_dir = fs::temp_directory_path() / ("zubprov_copy_" + std::to_string(random()));
    fs::create_directories(m_dir);
    const fs::path copy = m_dir / ("copy" + fs::path(library).extension().string());
    fs::copy_file(library, copy);
    m_handle = platform::OpenLibrary(copy.string());
    EXPECT_NE(m_handle, nullptr) << copy;
  }
  // The copy stays loaded unless Close was called: its objects stay
  // reachable for the rest of the process, as a loaded provider's do (and so
  // are no leaks for the leak checker). Its file goes where the system
  // allows deleting a loaded library.
  ~LibraryCopy() {
    std::error_code ignored;
    std::filesystem::remove_all(m_dir, ignored);
  }
  LibraryCopy(const LibraryCopy&) = delete;
  LibraryCopy& operator=(const LibraryCopy&) = delete;

  // A factory (or any function) of the copy by its plain name; null when missing.
  template <class Fn>
  Fn* Find(const char* name) const {
    return m_handle ? reinterpret_cast<Fn*>(platform::FindSymbol(m_handle, name)) : nullptr;
  }

  // Unloads the copy (its unload hook runs); a second call does nothing.
  // What the copy's objects held is then unreachable: tests that close live
  // in the files tests/lsan.supp names.
  void Close() {
    if (m_handle) platform::CloseLibrary(m_handle);
    m_handle = nullptr;
  }

 private:
  std::filesystem::path m_dir;
  platform::LibraryHandle m_handle = nullptr;
};

}  // namespace zubtest

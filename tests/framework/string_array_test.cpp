// Strings and arrays: the ordering, limits and cursor rules other code
// builds on (key matching, Update loops, alert delivery).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "framework/safe_array.h"
#include "zubprov/zub_string.h"

namespace {

PROVIDER_STATUS ThrownStatus(auto&& f) {
  try {
    f();
  } catch (const CZubException& e) {
    return e.m_status;
  }
  return PROVIDER_SUCCESS;
}

TEST(ZubString, ComparesByLengthFirstThenCodeUnitsAndBuildsTexts) {
  EXPECT_LT(CZubString(L"B").Compare(L"AA"), 0);
  EXPECT_GT(CZubString(L"AA").Compare(L"B"), 0);
  EXPECT_EQ(CZubString(L"abd").Compare(L"abc"), 1);
  EXPECT_EQ(CZubString(L"abc").Compare(L"abe"), -2);
  // Case matters: keys are matched exactly.
  EXPECT_NE(CZubString(L"zub_storagevolume").Compare(L"ZUB_StorageVolume"), 0);

  CZubString s(L"keep");
  s.Assign(nullptr);
  EXPECT_EQ(s.Str(), L"keep");
  s.Assign(L"abcdef", 3);
  EXPECT_EQ(s.Str(), L"abc");
  s.Append(CZubString());
  s.Append(L"_");
  s.AppendNumber(4294967295ULL);
  EXPECT_EQ(s.Str(), L"abc_4294967295");
  s.FromNumber(18446744073709551615ULL);
  EXPECT_EQ(s.Str(), L"18446744073709551615");
}

TEST(ZubString, MidAndFindLimits) {
  CZubString s(L"Volume_12");
  EXPECT_EQ(s.Mid(100, 3).Str(), L"");                    // start >= end: no length check
  EXPECT_EQ(s.Mid(9, 10).Str(), L"");                     // at the length: empty
  EXPECT_EQ(ThrownStatus([&] { s.Mid(10, 11); }), PROVIDER_INVALID_PARAMETER);
  EXPECT_EQ(s.Mid(7, 100).Str(), L"12");                  // end beyond the text is cut
  EXPECT_EQ(s.Left(6).Str(), L"Volume");
  EXPECT_EQ(s.Find(L"_", 0), 6u);
  EXPECT_EQ(s.Find(L"", 3), 3u);
  EXPECT_EQ(ThrownStatus([&] { s.Find(L"", 9); }), PROVIDER_NOT_FOUND);  // start == length
  EXPECT_EQ(ThrownStatus([&] { s.Find(L"x", 0); }), PROVIDER_NOT_FOUND);
  EXPECT_EQ(ThrownStatus([&] { s.Find(nullptr, 0); }), PROVIDER_NOT_FOUND);
}

TEST(ZubArray, CursorLoopVisitsEachOnceAndEndsAtZero) {
  CSafeArrayT<int> a;
  EXPECT_EQ(a.GetCurrent(), nullptr);
  EXPECT_FALSE(a.MoveNext());
  for (int i = 1; i <= 3; ++i) a.AddLocked(i);
  std::vector<int> seen;
  do {
    seen.push_back(*a.GetCurrent());
  } while (a.MoveNext());
  EXPECT_EQ(seen, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(a.GetCursor(), 0u);
  a.MoveNext();
  a.SetCurrentOrAdd(20);  // replaces the element at the cursor
  EXPECT_EQ(a[1], 20);
  EXPECT_EQ(a.GetCount(), 3u);
  CSafeArrayT<int> b;
  b.SetCurrentOrAdd(7);  // adds to an empty array
  EXPECT_EQ(b[0], 7);
}

TEST(ZubArray, RemoveFirstAppendAndCopiesStartAtZero) {
  CArrayT<CZubString> a;
  a.Add(L"one");
  a.Add(L"two");
  a.MoveNext();
  EXPECT_TRUE(a.RemoveFirst());
  EXPECT_EQ(a[0].Str(), L"two");
  EXPECT_FALSE(a.RemoveFirst());  // the last one: empties and says so
  EXPECT_EQ(a.GetCount(), 0u);
  CArrayT<CZubString> src, dst;
  for (const wchar_t* text : {L"x", L"y"}) src.Add(text);
  src.MoveNext();
  dst.Add(L"old");
  dst.MoveNext();
  dst = src;  // previous content discarded, cursor at 0
  EXPECT_EQ(dst.GetCount(), 2u);
  EXPECT_EQ(dst.GetCursor(), 0u);
  EXPECT_EQ(CArrayT<CZubString>(src).GetCursor(), 0u);  // copies start at 0 whatever the source's cursor
  CSafeArrayT<CZubString> shared;
  shared = src;
  shared.MoveNext();
  EXPECT_EQ(CSafeArrayT<CZubString>(shared).GetCursor(), 0u);
  dst.MoveNext();
  shared.CopyTo(&dst);
  EXPECT_EQ(dst.GetCursor(), 0u);
  dst[0] = L"changed";
  EXPECT_EQ(src[0].Str(), L"x");  // deep copy
  dst.MoveNext();
  dst.Append(src);
  EXPECT_EQ(dst.GetCount(), 4u);
  EXPECT_EQ(dst[3].Str(), L"y");
  EXPECT_EQ(dst.GetCursor(), 0u);
  dst.Append(dst);  // appending to itself doubles it
  EXPECT_EQ(dst.GetCount(), 8u);
}

// Every operation of a shared list waits while another thread holds the
// process-wide lock (which a class holds across a clear-and-refill).
TEST(ZubSafeArray, EveryOperationTakesTheProcessLock) {
  CSafeArrayT<uint64_t> list;
  CArrayT<uint64_t> out;
  const std::pair<const char*, std::function<void()>> operations[] = {
      {"AddLocked", [&] { list.AddLocked(1); }}, {"GetCount", [&] { list.GetCount(); }},
      {"GetCurrent", [&] { list.GetCurrent(); }}, {"MoveNext", [&] { list.MoveNext(); }},
      {"ResetCursor", [&] { list.ResetCursor(); }}, {"SetCurrentOrAdd", [&] { list.SetCurrentOrAdd(2); }},
      {"CopyTo", [&] { list.CopyTo(&out); }}, {"copy", [&] { CSafeArrayT<uint64_t> copy(list); }},
      {"assignment", [&] { list = out; }}, {"RemoveAll", [&] { list.RemoveAll(); }}, };
  for (const auto& [name, operation] : operations) {
    std::atomic<bool> done{false};
    std::thread worker;
    {
      CGlobalLock lock(GetGlobalLock());
      worker = std::thread([&, op = operation] {
        op();
        done = true;
      });
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      EXPECT_FALSE(done) << name << " ran while another thread held the process lock";
    }
    worker.join();
    EXPECT_TRUE(done) << name;
  }
}

}  // namespace

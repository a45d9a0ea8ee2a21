// host_workload.h: what a management host asks of the library, as steps
// the proof tests repeat under injected faults and from many threads: list
// every class of the catalogue (Update, then GetData) and call every
// extrinsic method (and PutData) with input taken from the lists, the way a
// client builds it. Each step's outcome (status, ReturnValue, the records or
// the method's record as JSON) is kept, so runs can be compared step by step.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace zubproof {

struct Outcome {
  std::string step;          // "list ZUB_StoragePool", "ZUB_StoragePool.GetSupportedSizes",
                             // "ZUB_AlarmDevice.SetAlarmIndicator 2" (a method called twice)
  int status = 0;            // Update's (a listing) or the method's PROVIDER_STATUS
  uint64_t returnValue = 0;  // a method's ReturnValue (0 for a listing)
  std::string text;          // the records listed, or the method's record after the call
  bool threw = false;        // an exception left the library
};

// The step running on this thread ("" between steps): a middleware call hook
// tells from it which step met an injected fault.
const std::string& CurrentStep();

// Every class of the catalogue, in its order: Update, then GetData.
std::vector<Outcome> ListEveryClass();

// Calls every method once, each with input built from what the classes
// listed last. With `configure`, also the calls that change the RAID stack:
// a volume "Proof" is created (RAID0 on two available disks), modified
// through its volume setting (expanded, a third disk added, the other cache
// policy, renamed "Proof2"; then moved to RAID5) and deleted, an available
// disk is marked as spare and unmarked, a rescan is requested;
// without it only the calls that change nothing (the size queries, the
// extents, the locate light, PutData of a setting as listed). CreateSetting
// files a new setting each time, so it runs only with `configure`.
std::vector<Outcome> InvokeEveryMethod(bool configure);

// Undoes what an interrupted configuring run may have left, through the
// library (as a client recovering would): deletes a volume "Proof" or
// "Proof2" and
// unmarks the spares that `spares` (EndDeviceHandles) did not hold.
void Recover(const std::set<std::string>& spares);
// The EndDeviceHandles of the disks used as spares now (usage 4).
std::set<std::string> Spares();

// "Class.Method" of every method the catalogue lists, and of those
// InvokeEveryMethod(true) calls.
std::set<std::string> CatalogueMethods();
std::set<std::string> InvokedMethods();

}  // namespace zubproof

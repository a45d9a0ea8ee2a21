// standin_middleware.cpp: a library of someone else's implementing the Ssi*
// API, with no simulation control: one controller and nothing else. Events
// wait until their handle is freed, as a quiet RAID stack's would.
#include <condition_variable>
#include <cstring>
#include <chrono>
#include <mutex>

#include "middleware/abru2.h"

namespace {

constexpr SSI_HANDLE kController = 7;
constexpr SSI_HANDLE kEvent = 1;

std::mutex g_mutex;
std::condition_variable g_freed;
bool g_eventHeld = false;

SSI_STATUS None(SSI_HANDLE*, uint32_t* count) {
  *count = 0;
  return SSI_STATUS_SUCCESS;
}

}  // namespace

extern "C" {

SSI_STATUS SsiInitialize(void) { return SSI_STATUS_SUCCESS; }
SSI_STATUS SsiFinalize(void) { return SSI_STATUS_SUCCESS; }
SSI_STATUS SsiSessionOpen(SSI_HANDLE* session) {
  *session = 1;
  return SSI_STATUS_SUCCESS;
}
SSI_STATUS SsiSessionClose(SSI_HANDLE) { return SSI_STATUS_SUCCESS; }

SSI_STATUS SsiGetControllerHandles(SSI_HANDLE, uint32_t, SSI_HANDLE, SSI_HANDLE* handles, uint32_t* count) {
  if (handles && *count >= 1) handles[0] = kController;
  *count = 1;
  return SSI_STATUS_SUCCESS;
}
SSI_STATUS SsiGetEnclosureHandles(SSI_HANDLE, uint32_t, SSI_HANDLE, SSI_HANDLE* h, uint32_t* c) { return None(h, c); }
SSI_STATUS SsiGetEndDeviceHandles(SSI_HANDLE, uint32_t, SSI_HANDLE, SSI_HANDLE* h, uint32_t* c) { return None(h, c); }
SSI_STATUS SsiGetPhyHandles(SSI_HANDLE, uint32_t, SSI_HANDLE, SSI_HANDLE* h, uint32_t* c) { return None(h, c); }
SSI_STATUS SsiGetPortHandles(SSI_HANDLE, uint32_t, SSI_HANDLE, SSI_HANDLE* h, uint32_t* c) { return None(h, c); }
SSI_STATUS SsiGetRoutingDeviceHandles(SSI_HANDLE, uint32_t, SSI_HANDLE, SSI_HANDLE* h, uint32_t* c) {
  return None(h, c);
}
SSI_STATUS SsiGetVolumeHandles(SSI_HANDLE, uint32_t, SSI_HANDLE, SSI_HANDLE* h, uint32_t* c) { return None(h, c); }
SSI_STATUS SsiGetRaidInfoHandles(SSI_HANDLE, SSI_HANDLE* h, uint32_t* c) { return None(h, c); }

SSI_STATUS SsiGetControllerInfo(SSI_HANDLE, SSI_HANDLE handle, _SSI_ControllerInfo* info) {
  if (handle != kController) return SSI_STATUS_INVALID_PARAMETER;
  std::memset(info, 0, sizeof *info);
  info->handle = kController;
  std::strcpy(info->name, "Stand-in Controller");
  std::strcpy(info->driverVersion, "1.2.3.4");
  info->controllerType = 2;
  return SSI_STATUS_SUCCESS;
}
SSI_STATUS SsiGetEnclosureInfo(SSI_HANDLE, SSI_HANDLE, _SSI_EnclosureInfo*) { return SSI_STATUS_INVALID_PARAMETER; }
SSI_STATUS SsiGetEndDeviceInfo(SSI_HANDLE, SSI_HANDLE, _SSI_EndDeviceInfo*) { return SSI_STATUS_INVALID_PARAMETER; }
SSI_STATUS SsiGetPhyInfo(SSI_HANDLE, SSI_HANDLE, _SSI_PhyInfo*) { return SSI_STATUS_INVALID_PARAMETER; }
SSI_STATUS SsiGetPortInfo(SSI_HANDLE, SSI_HANDLE, _SSI_PortInfo*) { return SSI_STATUS_INVALID_PARAMETER; }
SSI_STATUS SsiGetRoutingDeviceInfo(SSI_HANDLE, SSI_HANDLE, _SSI_RoutingDeviceInfo*) {
  return SSI_STATUS_INVALID_PARAMETER;
}
SSI_STATUS SsiGetVolumeInfo(SSI_HANDLE, SSI_HANDLE, _SSI_VolumeInfo*) { return SSI_STATUS_INVALID_PARAMETER; }
SSI_STATUS SsiGetRaidInfo(SSI_HANDLE, SSI_HANDLE, _SSI_RaidInfo*) { return SSI_STATUS_INVALID_PARAMETER; }
SSI_STATUS SsiGetRaidLevelInfo(SSI_HANDLE, SSI_HANDLE, uint32_t, _SSI_RaidLevelInfo*) {
  return SSI_STATUS_INVALID_PARAMETER;
}
SSI_STATUS SsiGetSystemInfo(_SSI_SystemInfo* info) {
  std::memset(info, 0, sizeof *info);
  std::strcpy(info->middlewareVersion, "9.9.9.9");
  return SSI_STATUS_SUCCESS;
}

SSI_STATUS SsiPhyLocate(SSI_HANDLE, uint32_t) { return SSI_STATUS_INVALID_PARAMETER; }

SSI_STATUS SsiGetEventHandle(SSI_HANDLE* event) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_eventHeld = true;
  *event = kEvent;
  return SSI_STATUS_SUCCESS;
}
SSI_STATUS SsiEventWait(uint32_t timeoutMs, SSI_HANDLE) {
  // Nothing ever changes here: a wait ends when the handle is freed or its
  // time runs out.
  std::unique_lock<std::mutex> lock(g_mutex);
  const auto freed = [] { return !g_eventHeld; };
  if (timeoutMs == SSI_NO_TIMEOUT) g_freed.wait(lock, freed);
  else g_freed.wait_for(lock, std::chrono::milliseconds(timeoutMs), freed);
  return SSI_STATUS_FAILED;
}
SSI_STATUS SsiFreeEventHandle(SSI_HANDLE) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_eventHeld = false;
  g_freed.notify_all();
  return SSI_STATUS_SUCCESS;
}

SSI_STATUS SsiVolumeCreateFromDisks(_SSI_CreateFromDisksParams, SSI_HANDLE*) { return SSI_STATUS_FAILED; }
SSI_STATUS SsiRaidLevelModify(SSI_HANDLE, _SSI_RaidLevelModifyParams) { return SSI_STATUS_FAILED; }
SSI_STATUS SsiExpandVolume(SSI_HANDLE, uint64_t) { return SSI_STATUS_FAILED; }
SSI_STATUS SsiAddDisksToArray(SSI_HANDLE, SSI_HANDLE*, uint32_t) { return SSI_STATUS_FAILED; }
SSI_STATUS SsiVolumeRename(SSI_HANDLE, const char*) { return SSI_STATUS_FAILED; }
SSI_STATUS SsiVolumeSetCachePolicy(SSI_HANDLE, uint32_t) { return SSI_STATUS_FAILED; }
SSI_STATUS SsiVolumeDelete(SSI_HANDLE) { return SSI_STATUS_FAILED; }
SSI_STATUS SsiRescan(void) { return SSI_STATUS_SUCCESS; }
SSI_STATUS SsiDiskMarkAsSpare(SSI_HANDLE, SSI_HANDLE) { return SSI_STATUS_FAILED; }
SSI_STATUS SsiDiskUnmarkAsSpare(SSI_HANDLE) { return SSI_STATUS_FAILED; }

}  // extern "C"

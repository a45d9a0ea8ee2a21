// abru2.h: our declaration of the storage middleware's C API (the Ssi* calls)
// and of the records it fills.
//
// The middleware is a closed library of the RAID stack. This header states
// only what the provider relies on: the calls, their argument order, the
// record sizes and the byte offsets of the fields we read. Every other byte
// of a record is reserved (named reservedNN after its offset). The sizes and
// offsets are checked below at compile time, so a layout slip cannot build.
//
// The simulated RAID stack in sim/ implements exactly this header; the
// provider links against it as it would against the real library.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/export.h"

#if defined(ABRU2_BUILD)
#define ABRU2_API ZUB_EXPORT
#else
#define ABRU2_API ZUB_IMPORT
#endif

typedef uint32_t SSI_HANDLE;  // 0 means "none"
typedef uint32_t SSI_STATUS;  // 0 means success

// Statuses the provider reacts to by value, each named once here.
enum : SSI_STATUS {
  SSI_STATUS_SUCCESS = 0,
  SSI_STATUS_ALREADY_INITIALIZED = 11,  // from SsiInitialize: usable
  SSI_STATUS_NOT_INITIALIZED = 12,
  SSI_STATUS_INVALID_PARAMETER = 14,
  SSI_STATUS_FAILED = 15,
  SSI_STATUS_UNKNOWN_FAILURE = 16,
  SSI_STATUS_REFUSED = 18,  // refused by state (spare marking, a disk not free)
  SSI_STATUS_TIMEOUT = 23,
};

// Enumeration scopes.
enum : uint32_t {
  SSI_SCOPE_ALL = 0,
  SSI_SCOPE_CONTROLLER_PHYS = 1,  // PHYs of one controller
  SSI_SCOPE_CONTROLLER = 2,       // objects under one controller
  SSI_SCOPE_END_DEVICE = 4,       // PHYs of one end device
  SSI_SCOPE_RAID_ARRAY = 8,       // end devices of one RAID array
};

// RAID level codes, in the order the provider queries them.
enum : uint32_t {
  SSI_RAID0 = 1,
  SSI_RAID1 = 2,
  SSI_RAID10 = 4,
  SSI_RAID5 = 8,
  SSI_RAID6 = 16,
};

enum : uint32_t { SSI_NO_TIMEOUT = 0xFFFFFFFFu };

#pragma pack(push, 8)

struct _SSI_ControllerInfo {       // 448 bytes
  SSI_HANDLE handle;               // 0
  uint8_t reserved4[4];            // 4
  uint8_t address[4];              // 8..11: four address components
  uint32_t address64Present;       // 12
  uint64_t address64;              // 16
  char name[256];                  // 24
  int32_t controllerType;          // 280: 1 AHCI, 2 DOX
  SSI_HANDLE raidInfoHandle;       // 284
  char driverVersion[66];          // 288
  uint16_t id;                     // 354
  uint8_t reserved356[2];          // 356
  uint8_t revision;                // 358
  uint8_t reserved359;             // 359
  uint16_t vendor;                 // 360
  uint8_t reserved362[38];         // 362
  uint32_t featureFlag;            // 400
  uint8_t reserved404[20];         // 404
  uint32_t writeBackOffered;       // 424
  uint8_t reserved428[20];         // 428
};

struct _SSI_EnclosureInfo {        // 60 bytes
  SSI_HANDLE handle;               // 0
  uint8_t reserved4[4];            // 4
  char vendor[24];                 // 8
  char version[28];                // 32
};

struct _SSI_EndDeviceInfo {        // 216 bytes
  SSI_HANDLE handle;               // 0
  uint8_t reserved4[8];            // 4
  uint32_t address64Present;       // 12
  uint64_t address64;              // 16
  int32_t value24;                 // 24: copied into disk records
  SSI_HANDLE raidInfoHandle;       // 28: RAID info of the device's controller
  uint8_t reserved32[28];          // 32
  char serialNo[21];               // 60
  char model[41];                  // 81
  char firmware[22];               // 122
  int32_t value144;                // 144: copied into disk records
  int32_t state;                   // 148: 3 failed, 4 failure predicted, 6 normal
  int32_t usage;                   // 152: 1 member, 2 available, 4 spare
  uint8_t reserved156[4];          // 156
  uint64_t totalSize;              // 160
  uint64_t sizes[3];               // 168, 176, 184
  uint8_t reserved192[4];          // 192
  uint32_t noPool;                 // 196: non-zero when the disk may not join a pool
  uint8_t reserved200[16];         // 200
};

struct _SSI_PhyInfo {              // 120 bytes
  SSI_HANDLE handle;               // 0
  uint8_t reserved4[20];           // 4
  uint32_t phyNumber;              // 24
  int32_t protocol;                // 28: 0 unknown, 1 SATA, 2 SAS, 3 STP, 4 SSP
  SSI_HANDLE portHandle;           // 32
  uint32_t attachedType;           // 36: 2 end device
  SSI_HANDLE attachedHandle;       // 40
  uint8_t reserved44[20];          // 44
  int32_t negotiatedLinkRate;      // 64
  int32_t maxLinkRate;             // 68
  uint8_t reserved72[48];          // 72
};

struct _SSI_PortInfo {             // 40 bytes
  SSI_HANDLE handle;               // 0
  uint8_t reserved4[4];            // 4
  uint8_t address[4];              // 8..11
  uint32_t address64Present;       // 12
  uint64_t address64;              // 16
  uint8_t reserved24[4];           // 24
  uint32_t attachedType;           // 28: 1 controller, 2 end device
  SSI_HANDLE attachedHandle;       // 32
  uint8_t reserved36[4];           // 36
};

struct _SSI_RoutingDeviceInfo {    // 96 bytes
  SSI_HANDLE handle;               // 0
  uint8_t reserved4[32];           // 4
  char vendor[24];                 // 36
  char version[36];                // 60
};

struct _SSI_VolumeInfo {           // 96 bytes
  SSI_HANDLE handle;               // 0
  SSI_HANDLE arrayHandle;          // 4
  uint8_t reserved8[4];            // 8
  char name[17];                   // 12
  uint8_t reserved29[3];           // 29
  int32_t state;                   // 32
  uint32_t raidLevel;              // 36
  uint64_t totalSize;              // 40
  uint32_t stripSize;              // 48: one bit set, bytes = code * 2048
  uint32_t numDisks;               // 52
  uint8_t reserved56[4];           // 56
  uint32_t cachePolicy;            // 60: 2 write-through, 3 write-back
  uint8_t reserved64[8];           // 64
  uint32_t flag;                   // 72
  uint8_t reserved76[20];          // 76
};

struct _SSI_RaidLevelInfo {        // 36 bytes
  uint32_t supported;              // 0
  uint8_t reserved4[8];            // 4
  int32_t stripKib;                // 12
  uint8_t reserved16[16];          // 16
  uint32_t stripMask;              // 32: bit k = 2048 << k bytes
};

// The RAID information and system information records have no size of
// record; these layouts carry the fields we read and room for the rest.
struct _SSI_RaidInfo {             // 32 bytes
  SSI_HANDLE handle;               // 0
  uint32_t value4;                 // 4
  uint8_t reserved8[8];            // 8
  uint32_t value16;                // 16
  uint8_t reserved20[12];          // 20
};

struct _SSI_SystemInfo {           // 128 bytes
  uint8_t reserved0[8];            // 0
  char middlewareVersion[64];      // 8
  uint8_t reserved72[56];          // 72
};

// Parameter block of SsiVolumeCreateFromDisks.
struct _SSI_CreateFromDisksParams {  // 56 bytes
  SSI_HANDLE* disks;               // 0
  uint32_t numDisks;               // 8
  uint32_t zero;                   // 12: always 0
  char name[17];                   // 16: a 17-byte name has no terminator
  uint8_t reserved33[3];           // 33
  uint32_t stripSize;              // 36: 2048-byte units
  uint32_t raidLevel;              // 40
  uint8_t reserved44[4];           // 44
  uint64_t size;                   // 48: bytes
};

// Parameter block of SsiRaidLevelModify.
struct _SSI_RaidLevelModifyParams {  // 32 bytes
  uint32_t stripSize;              // 0: 2048-byte units
  uint32_t raidLevel;              // 4
  uint64_t size;                   // 8: bytes
  SSI_HANDLE* disks;               // 16: disks to add
  uint32_t numDisks;               // 24
  uint8_t reserved28[4];           // 28
};

#pragma pack(pop)

#define ABRU2_CHECK(T, size) static_assert(sizeof(T) == (size), #T " size")
#define ABRU2_AT(T, f, off) static_assert(offsetof(T, f) == (off), #T "." #f)

ABRU2_CHECK(_SSI_ControllerInfo, 448);
ABRU2_AT(_SSI_ControllerInfo, address, 8);
ABRU2_AT(_SSI_ControllerInfo, address64Present, 12);
ABRU2_AT(_SSI_ControllerInfo, address64, 16);
ABRU2_AT(_SSI_ControllerInfo, name, 24);
ABRU2_AT(_SSI_ControllerInfo, controllerType, 280);
ABRU2_AT(_SSI_ControllerInfo, raidInfoHandle, 284);
ABRU2_AT(_SSI_ControllerInfo, driverVersion, 288);
ABRU2_AT(_SSI_ControllerInfo, id, 354);
ABRU2_AT(_SSI_ControllerInfo, revision, 358);
ABRU2_AT(_SSI_ControllerInfo, vendor, 360);
ABRU2_AT(_SSI_ControllerInfo, featureFlag, 400);
ABRU2_AT(_SSI_ControllerInfo, writeBackOffered, 424);

ABRU2_CHECK(_SSI_EnclosureInfo, 60);
ABRU2_AT(_SSI_EnclosureInfo, vendor, 8);
ABRU2_AT(_SSI_EnclosureInfo, version, 32);

ABRU2_CHECK(_SSI_EndDeviceInfo, 216);
ABRU2_AT(_SSI_EndDeviceInfo, address64Present, 12);
ABRU2_AT(_SSI_EndDeviceInfo, address64, 16);
ABRU2_AT(_SSI_EndDeviceInfo, value24, 24);
ABRU2_AT(_SSI_EndDeviceInfo, raidInfoHandle, 28);
ABRU2_AT(_SSI_EndDeviceInfo, serialNo, 60);
ABRU2_AT(_SSI_EndDeviceInfo, model, 81);
ABRU2_AT(_SSI_EndDeviceInfo, firmware, 122);
ABRU2_AT(_SSI_EndDeviceInfo, value144, 144);
ABRU2_AT(_SSI_EndDeviceInfo, state, 148);
ABRU2_AT(_SSI_EndDeviceInfo, usage, 152);
ABRU2_AT(_SSI_EndDeviceInfo, totalSize, 160);
ABRU2_AT(_SSI_EndDeviceInfo, sizes, 168);
ABRU2_AT(_SSI_EndDeviceInfo, noPool, 196);

ABRU2_CHECK(_SSI_PhyInfo, 120);
ABRU2_AT(_SSI_PhyInfo, phyNumber, 24);
ABRU2_AT(_SSI_PhyInfo, protocol, 28);
ABRU2_AT(_SSI_PhyInfo, portHandle, 32);
ABRU2_AT(_SSI_PhyInfo, attachedType, 36);
ABRU2_AT(_SSI_PhyInfo, attachedHandle, 40);
ABRU2_AT(_SSI_PhyInfo, negotiatedLinkRate, 64);
ABRU2_AT(_SSI_PhyInfo, maxLinkRate, 68);

ABRU2_CHECK(_SSI_PortInfo, 40);
ABRU2_AT(_SSI_PortInfo, address, 8);
ABRU2_AT(_SSI_PortInfo, address64Present, 12);
ABRU2_AT(_SSI_PortInfo, address64, 16);
ABRU2_AT(_SSI_PortInfo, attachedType, 28);
ABRU2_AT(_SSI_PortInfo, attachedHandle, 32);

ABRU2_CHECK(_SSI_RoutingDeviceInfo, 96);
ABRU2_AT(_SSI_RoutingDeviceInfo, vendor, 36);
ABRU2_AT(_SSI_RoutingDeviceInfo, version, 60);

ABRU2_CHECK(_SSI_VolumeInfo, 96);
ABRU2_AT(_SSI_VolumeInfo, arrayHandle, 4);
ABRU2_AT(_SSI_VolumeInfo, name, 12);
ABRU2_AT(_SSI_VolumeInfo, state, 32);
ABRU2_AT(_SSI_VolumeInfo, raidLevel, 36);
ABRU2_AT(_SSI_VolumeInfo, totalSize, 40);
ABRU2_AT(_SSI_VolumeInfo, stripSize, 48);
ABRU2_AT(_SSI_VolumeInfo, numDisks, 52);
ABRU2_AT(_SSI_VolumeInfo, cachePolicy, 60);
ABRU2_AT(_SSI_VolumeInfo, flag, 72);

ABRU2_CHECK(_SSI_RaidLevelInfo, 36);
ABRU2_AT(_SSI_RaidLevelInfo, supported, 0);
ABRU2_AT(_SSI_RaidLevelInfo, stripKib, 12);
ABRU2_AT(_SSI_RaidLevelInfo, stripMask, 32);

ABRU2_AT(_SSI_RaidInfo, value4, 4);
ABRU2_AT(_SSI_RaidInfo, value16, 16);
ABRU2_AT(_SSI_SystemInfo, middlewareVersion, 8);

ABRU2_CHECK(_SSI_CreateFromDisksParams, 56);
ABRU2_AT(_SSI_CreateFromDisksParams, disks, 0);
ABRU2_AT(_SSI_CreateFromDisksParams, numDisks, 8);
ABRU2_AT(_SSI_CreateFromDisksParams, zero, 12);
ABRU2_AT(_SSI_CreateFromDisksParams, name, 16);
ABRU2_AT(_SSI_CreateFromDisksParams, stripSize, 36);
ABRU2_AT(_SSI_CreateFromDisksParams, raidLevel, 40);
ABRU2_AT(_SSI_CreateFromDisksParams, size, 48);

ABRU2_CHECK(_SSI_RaidLevelModifyParams, 32);
ABRU2_AT(_SSI_RaidLevelModifyParams, stripSize, 0);
ABRU2_AT(_SSI_RaidLevelModifyParams, raidLevel, 4);
ABRU2_AT(_SSI_RaidLevelModifyParams, size, 8);
ABRU2_AT(_SSI_RaidLevelModifyParams, disks, 16);
ABRU2_AT(_SSI_RaidLevelModifyParams, numDisks, 24);

#undef ABRU2_CHECK
#undef ABRU2_AT

extern "C" {

// Life cycle. SsiInitialize returns 11 when already initialised.
ABRU2_API SSI_STATUS SsiInitialize(void);
ABRU2_API SSI_STATUS SsiFinalize(void);
ABRU2_API SSI_STATUS SsiSessionOpen(SSI_HANDLE* session);
ABRU2_API SSI_STATUS SsiSessionClose(SSI_HANDLE session);

// Two-step enumerations: with a null buffer the call stores the count; with
// a buffer of *count entries it fills the handles (and stores the count).
ABRU2_API SSI_STATUS SsiGetControllerHandles(SSI_HANDLE session, uint32_t scopeType, SSI_HANDLE scope,
                                             SSI_HANDLE* handles, uint32_t* count);
ABRU2_API SSI_STATUS SsiGetEnclosureHandles(SSI_HANDLE session, uint32_t scopeType, SSI_HANDLE scope,
                                            SSI_HANDLE* handles, uint32_t* count);
ABRU2_API SSI_STATUS SsiGetEndDeviceHandles(SSI_HANDLE session, uint32_t scopeType, SSI_HANDLE scope,
                                            SSI_HANDLE* handles, uint32_t* count);
ABRU2_API SSI_STATUS SsiGetPhyHandles(SSI_HANDLE session, uint32_t scopeType, SSI_HANDLE scope,
                                      SSI_HANDLE* handles, uint32_t* count);
ABRU2_API SSI_STATUS SsiGetPortHandles(SSI_HANDLE session, uint32_t scopeType, SSI_HANDLE scope,
                                       SSI_HANDLE* handles, uint32_t* count);
ABRU2_API SSI_STATUS SsiGetRoutingDeviceHandles(SSI_HANDLE session, uint32_t scopeType, SSI_HANDLE scope,
                                                SSI_HANDLE* handles, uint32_t* count);
ABRU2_API SSI_STATUS SsiGetVolumeHandles(SSI_HANDLE session, uint32_t scopeType, SSI_HANDLE scope,
                                         SSI_HANDLE* handles, uint32_t* count);
ABRU2_API SSI_STATUS SsiGetRaidInfoHandles(SSI_HANDLE session, SSI_HANDLE* handles, uint32_t* count);

// Records. Session 0 is accepted by SsiGetVolumeInfo.
ABRU2_API SSI_STATUS SsiGetControllerInfo(SSI_HANDLE session, SSI_HANDLE handle, _SSI_ControllerInfo* info);
ABRU2_API SSI_STATUS SsiGetEnclosureInfo(SSI_HANDLE session, SSI_HANDLE handle, _SSI_EnclosureInfo* info);
ABRU2_API SSI_STATUS SsiGetEndDeviceInfo(SSI_HANDLE session, SSI_HANDLE handle, _SSI_EndDeviceInfo* info);
ABRU2_API SSI_STATUS SsiGetPhyInfo(SSI_HANDLE session, SSI_HANDLE handle, _SSI_PhyInfo* info);
ABRU2_API SSI_STATUS SsiGetPortInfo(SSI_HANDLE session, SSI_HANDLE handle, _SSI_PortInfo* info);
ABRU2_API SSI_STATUS SsiGetRoutingDeviceInfo(SSI_HANDLE session, SSI_HANDLE handle,
                                             _SSI_RoutingDeviceInfo* info);
ABRU2_API SSI_STATUS SsiGetVolumeInfo(SSI_HANDLE session, SSI_HANDLE handle, _SSI_VolumeInfo* info);
ABRU2_API SSI_STATUS SsiGetRaidInfo(SSI_HANDLE session, SSI_HANDLE raidInfo, _SSI_RaidInfo* info);
ABRU2_API SSI_STATUS SsiGetRaidLevelInfo(SSI_HANDLE session, SSI_HANDLE raidInfo, uint32_t raidLevel,
                                         _SSI_RaidLevelInfo* info);
ABRU2_API SSI_STATUS SsiGetSystemInfo(_SSI_SystemInfo* info);

// Locate light of the disk behind a PHY.
ABRU2_API SSI_STATUS SsiPhyLocate(SSI_HANDLE phy, uint32_t on);

// Events: a handle remembers the last change it has seen.
ABRU2_API SSI_STATUS SsiGetEventHandle(SSI_HANDLE* event);
ABRU2_API SSI_STATUS SsiEventWait(uint32_t timeoutMs, SSI_HANDLE event);
ABRU2_API SSI_STATUS SsiFreeEventHandle(SSI_HANDLE event);

// Configuration.
ABRU2_API SSI_STATUS SsiVolumeCreateFromDisks(_SSI_CreateFromDisksParams params, SSI_HANDLE* volume);
ABRU2_API SSI_STATUS SsiRaidLevelModify(SSI_HANDLE volume, _SSI_RaidLevelModifyParams params);
ABRU2_API SSI_STATUS SsiExpandVolume(SSI_HANDLE volume, uint64_t newSize);
ABRU2_API SSI_STATUS SsiAddDisksToArray(SSI_HANDLE array, SSI_HANDLE* disks, uint32_t count);
ABRU2_API SSI_STATUS SsiVolumeRename(SSI_HANDLE volume, const char* name17);
ABRU2_API SSI_STATUS SsiVolumeSetCachePolicy(SSI_HANDLE volume, uint32_t policy);
ABRU2_API SSI_STATUS SsiVolumeDelete(SSI_HANDLE volume);
ABRU2_API SSI_STATUS SsiRescan(void);
ABRU2_API SSI_STATUS SsiDiskMarkAsSpare(SSI_HANDLE disk, SSI_HANDLE array);
ABRU2_API SSI_STATUS SsiDiskUnmarkAsSpare(SSI_HANDLE disk);

}  // extern "C"

// default_topology.cpp: the built-in topology, the one the command-line host
// and the examples run on when nothing else is given.
//
// It is plain topology JSON, read by the same loader as any file, so it
// cannot drift from the file format. Every object has an explicit handle:
// examples and tests name them, so they must never move. The handles follow
// one pattern per controller (1xx for the AHCI controller, 2xx for the DOX
// one); sim/README.md lists them.
#include "sim/abru2_control.h"

namespace abru2sim {

std::string DefaultTopologyText() {
  return R"json({
  "middleware_version": "13.2.0.1022",
  "controllers": [
    {
      "handle": 100,
      "name": "AHCI SATA Controller",
      "type": 1,
      "id": 10274,
      "revision": 4,
      "vendor": 32902,
      "driver_version": "13.2.0.1022",
      "address": [0, 31, 2, 0],
      "address64": null,
      "feature_flag": 1,
      "write_back_offered": 1,
      "phy_count": 6,
      "phys": [
        {"handle": 124, "number": 4},
        {"handle": 125, "number": 5}
      ],
      "raid_info": {
        "handle": 101,
        "value1": 1, "value2": 1,
        "levels": {
          "1": {"strip_kib": 128, "strip_mask": 127},
          "2": {"strip_kib": 64, "strip_mask": 0},
          "4": {"strip_kib": 64, "strip_mask": 124},
          "8": {"strip_kib": 64, "strip_mask": 124}
        }
      },
      "port": {"handle": 102, "address": [0, 31, 2, 0], "address64": null},
      "disks": [
        {
          "handle": 110, "serial": "WD-WCC2EAK10001", "model": "WDC WD5000AAKX-00ERMA0",
          "firmware": "15.01H15", "size": 500107862016,
          "phy": {"handle": 120, "number": 0, "protocol": 1, "link": [3, 3]},
          "port": {"handle": 130, "address": [0, 0, 0, 0]}
        },
        {
          "handle": 111, "serial": "WD-WCC2EAK10002", "model": "WDC WD5000AAKX-00ERMA0",
          "firmware": "15.01H15", "size": 500107862016,
          "phy": {"handle": 121, "number": 1, "protocol": 1, "link": [3, 3]},
          "port": {"handle": 131, "address": [0, 1, 0, 0]}
        },
        {
          "handle": 112, "serial": "WD-WCC2EAK10003", "model": "WDC WD5000AAKX-00ERMA0",
          "firmware": "15.01H15", "size": 500107862016,
          "phy": {"handle": 122, "number": 2, "protocol": 1, "link": [3, 3]},
          "port": {"handle": 132, "address": [0, 2, 0, 0]}
        },
        {
          "handle": 113, "serial": "WD-WCC2EAK10004", "model": "WDC WD5000AAKX-00ERMA0",
          "firmware": "15.01H15", "size": 500107862016, "usage": 4,
          "phy": {"handle": 123, "number": 3, "protocol": 1, "link": [3, 3]},
          "port": {"handle": 133, "address": [0, 3, 0, 0]}
        }
      ],
      "volumes": [
        {
          "handle": 150, "array_handle": 151, "name": "Data",
          "level": 8, "strip_kib": 64, "size": 0,
          "disks": ["WD-WCC2EAK10001", "WD-WCC2EAK10002", "WD-WCC2EAK10003"],
          "state": 1, "cache": 3, "flag": 0
        }
      ]
    },
    {
      "handle": 200,
      "name": "DOX SAS Controller",
      "type": 2,
      "id": 7531,
      "revision": 6,
      "vendor": 32902,
      "driver_version": "3.8.0.1029",
      "address": [0, 3, 0, 0],
      "address64": null,
      "feature_flag": 0,
      "write_back_offered": 0,
      "phy_count": 4,
      "raid_info": {
        "handle": 201,
        "value1": 2, "value2": 1,
        "levels": {
          "1": {"strip_kib": 128, "strip_mask": 127},
          "2": {"strip_kib": 64, "strip_mask": 0},
          "4": {"strip_kib": 64, "strip_mask": 124},
          "8": {"strip_kib": 64, "strip_mask": 124},
          "16": {"strip_kib": 64, "strip_mask": 124}
        }
      },
      "port": {"handle": 202, "address": [0, 3, 0, 0], "address64": 5766302626586963712},
      "enclosures": [{"handle": 203, "vendor": "AIC", "version": "0C01"}],
      "routing_devices": [{"handle": 204, "vendor": "LSI SAS2X28", "version": "0E12"}],
      "disks": [
        {
          "handle": 210, "serial": "Z1W4A0B1", "model": "SEAGATE ST1000NM0023",
          "firmware": "0006", "size": 1000204886016, "address64": 5764824129537753857,
          "phy": {"handle": 220, "number": 0, "protocol": 2, "link": [3, 3]},
          "port": {"handle": 230, "address": [0, 0, 0, 0], "address64": 5764824129537753857}
        },
        {
          "handle": 211, "serial": "Z1W4A0B2", "model": "SEAGATE ST1000NM0023",
          "firmware": "0006", "size": 1000204886016, "address64": 5764824129537753873,
          "phy": {"handle": 221, "number": 1, "protocol": 2, "link": [3, 3]},
          "port": {"handle": 231, "address": [0, 0, 0, 0], "address64": 5764824129537753873}
        },
        {
          "handle": 212, "serial": "Z1W4A0B3", "model": "SEAGATE ST1000NM0023",
          "firmware": "0006", "size": 1000204886016, "address64": 5764824129537753889,
          "phy": {"handle": 222, "number": 2, "protocol": 2, "link": [3, 3]},
          "port": {"handle": 232, "address": [0, 0, 0, 0], "address64": 5764824129537753889}
        },
        {
          "handle": 213, "serial": "Z1W4A0B4", "model": "SEAGATE ST1000NM0023",
          "firmware": "0006", "size": 1000204886016, "address64": 5764824129537753905,
          "phy": {"handle": 223, "number": 3, "protocol": 2, "link": [3, 3]},
          "port": {"handle": 233, "address": [0, 0, 0, 0], "address64": 5764824129537753905}
        }
      ],
      "volumes": [
        {
          "handle": 250, "array_handle": 251, "name": "Mirror",
          "level": 2, "strip_kib": 64, "size": 0,
          "disks": ["Z1W4A0B1", "Z1W4A0B2"],
          "state": 1, "cache": 2, "flag": 0
        }
      ]
    }
  ]
})json";
}

}  // namespace abru2sim

#!/usr/bin/env python3
"""make-topology.py: writes a large simulated topology (sim/README.md format)
for the benchmarks: CONTROLLERS controllers of DISKS disks and VOLUMES
volumes each.

    bench/make-topology.py 16 64 16 > big.json

Controllers alternate between AHCI (SATA disks) and SAS (an enclosure, an
expander and SAS disks with 64-bit addresses), so every class and association
has instances. Each volume is a three-disk RAID5 where the disks allow it,
else a mirror or a single-disk RAID0; of the disks no volume takes, every
other one is a spare and the rest are available for the pool. Serials and
names are unique. Handles are explicit and depend only on the controller's
position and the object's own, so the first controllers of a larger topology
are the very same objects as those of a smaller one: a benchmark that loads
the larger into a running library sees the same elements plus new ones
(the library keeps a volume's setting by the volume's name across loads).
"""
import json
import sys


def volume_disks(disks, volumes):
    """How many disks each volume takes: 3 (RAID5), 2 (RAID1) or 1 (RAID0)."""
    for width in (3, 2, 1):
        if width * volumes <= disks:
            return width
    raise SystemExit(f"{volumes} volumes need at least {volumes} disks, not {disks}")


def controller(c, disks, volumes):
    if disks > 999 or volumes > 999:
        raise SystemExit("at most 999 disks and 999 volumes per controller")
    sas = c % 2 == 1
    base = (c + 1) * 10000  # handles: base + kind * 1000 + position
    width = volume_disks(disks, volumes)
    level = {3: 8, 2: 2, 1: 1}[width]
    serial = [f"{'Z' if sas else 'WD'}{c:03d}D{d:04d}" for d in range(disks)]
    disk_list = []
    for d in range(disks):
        disk = {
            "serial": serial[d],
            "model": "SEAGATE ST1000NM0023" if sas else "WDC WD5000AAKX-00ERMA0",
            "firmware": "0006" if sas else "15.01H15",
            "size": 1000204886016 if sas else 500107862016,
            "handle": base + 1000 + d,
            "phy": {"handle": base + 2000 + d, "number": d, "protocol": 2 if sas else 1, "link": [3, 3]},
        }
        if sas:
            address = 0x5000C50000000000 + (c << 16) + d
            disk["address64"] = address
            disk["port"] = {"handle": base + 3000 + d, "address": [0, 0, 0, 0], "address64": address}
        else:
            disk["port"] = {"handle": base + 3000 + d, "address": [0, d % 256, 0, 0]}
        unused = d - width * volumes
        if unused >= 0 and unused % 2 == 0:
            disk["usage"] = 4
        disk_list.append(disk)
    return {
        "handle": base,
        "name": f"{'SAS' if sas else 'AHCI'} Controller {c:03d}",
        "type": 2 if sas else 1,
        "id": 7531 if sas else 10274,
        "revision": 4,
        "vendor": 32902,
        "driver_version": "13.2.0.1022",
        "address": [0, c % 256, 0, 0],
        "address64": 0x5766300000000000 + c if sas else None,
        "feature_flag": 1,
        "write_back_offered": 1,
        "raid_info": {"handle": base + 1, "value1": 1, "value2": 1},
        "port": {"handle": base + 2, "address": [0, c % 256, 0, 0], "address64": None},
        "enclosures": [{"handle": base + 3, "vendor": "AIC", "version": "0C01"}] if sas else [],
        "routing_devices": [{"handle": base + 4, "vendor": "LSI SAS2X28", "version": "0E12"}] if sas else [],
        "disks": disk_list,
        "volumes": [
            {
                "handle": base + 5000 + v,
                "array_handle": base + 6000 + v,
                "name": f"V{c:03d}_{v:03d}",
                "level": level,
                "disks": serial[v * width:(v + 1) * width],
                "cache": 3 if v % 2 else 1,
            }
            for v in range(volumes)
        ],
    }


def main():
    if len(sys.argv) != 4:
        raise SystemExit("usage: make-topology.py CONTROLLERS DISKS VOLUMES")
    controllers, disks, volumes = (int(a) for a in sys.argv[1:])
    topology = {
        "middleware_version": "13.2.0.1022",
        "controllers": [controller(c, disks, volumes) for c in range(controllers)],
    }
    json.dump(topology, sys.stdout, indent=1)
    sys.stdout.write("\n")


if __name__ == "__main__":
    main()

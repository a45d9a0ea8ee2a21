#!/usr/bin/env python3
"""Walks zubcim serve the way a Windows-style SMI-S storage client walks a Host
Hardware RAID Controller, and checks the client view (docs/client-view.md).

    scripts/client-walk.py [--zubcim build/bin/zubcim] [--topology FILE] [--records-only]

It starts `zubcim serve` on a free loopback port (on FILE, or the built-in
topology, whose text it reads from sim/default_topology.cpp) and expects what
the topology says: which controller has a pool and of what size, each
volume's geometry and health, each disk's state. Walks:
 1. the registered profiles in root/interop, the Host Hardware RAID
    Controller profile to every ZUB_ComputerSystem (and to the port
    controllers, as the library joins them);
 2. each system's ElementName, OperationalStatus, HealthState,
    IdentifyingDescriptions, OtherIdentifyingInfo, Name and NameFormat;
 3. its card (ComputerSystemPackage) and its software, its own driver first
    (InstalledSoftwareIdentity);
 4. its pool (HostedStoragePool) with sizes, status and usage, the pool's
    capabilities and the system's services (HostedService); no pool where the
    controller has no free, healthy disk;
 5. its volumes (SystemDevice, AllocatedFromStoragePool, ElementSettingData)
    with their block geometry, status, access and RAID layout;
 6. its disks as drives (SystemDevice, MediaPresent to the extent) and the
    extents joined to it;
 7. provisioning from the pool: CreateSetting, CreateOrModifyElementFromStoragePool
    (its reference resolves and shows under the system), ReturnToStoragePool;
    a size no choice of disks reaches; the adapter refused where there is no
    pool; sparing through the spare service found through HostedService
    (GetExtents of its spares and candidates, SetSpareExtents marking one
    disk and unmarking it);
 8. keeping its cache current: before walk 7 it starts a listener of its own
    (stdlib HTTP server), creates a destination, three filters
    (CIM_InstCreation, CIM_InstDeletion, CIM_InstModification, each
    SourceInstance ISA a volume, a pool, a disk extent or a drive) and their
    subscriptions; after walk 7 it inserts a disk and makes it predict its
    failure through the server's POST /sim, and checks what arrived: the
    volume walk 7 made and returned, created and deleted once each with its
    derived properties, the pool's modifications, the disk's extent and drive
    created and modified (the drive's HealthState 5, then 10, in
    PreviousInstance and SourceInstance), IndicationTime a CIM datetime.
With --records-only the server runs with that switch, and the walk checks
that the view is off: no conformance of the systems, no derived property,
no view class, no adapter, no drive's indication (the extent's still come).
One line per check, then a summary; exit 0 when every check passed.
"""
import argparse
import importlib.util
import json
import os
import re
import sys
import tempfile
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
import urllib.request
import xml.etree.ElementTree as ET
from xml.sax.saxutils import escape, quoteattr

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
_spec = importlib.util.spec_from_file_location(
    'cim_client_check', os.path.join(ROOT, 'tools', 'conformance', 'cim-client-check.py'))
cc = importlib.util.module_from_spec(_spec)
_spec.loader.exec_module(cc)
CimError, p_class, p_name, p_value, properties = cc.CimError, cc.p_class, cc.p_name, cc.p_value, cc.properties
INTEROP, ZUB = cc.INTEROP, cc.ZUB
HHRC = 'Host Hardware RAID Controller'
BLOCK = 512

# ---- what the topology says ------------------------------------------------------

LEVELS = {1: ('RAID0', 2, False, 0), 2: ('RAID1', 2, True, 0), 4: ('RAID10', 4, True, 0),
          8: ('RAID5', 3, False, 1), 16: ('RAID6', 4, False, 2)}
HEALTH = {1: 5, 4: 5, 6: 5, 8: 5, 9: 5, 2: 10, 5: 10, 7: 10, 16: 30}
STATUS_OF_HEALTH = {5: ['2'], 10: ['3'], 20: ['6'], 30: ['6']}
DISK_HEALTH = {6: ('5', ['2']), 4: ('10', ['5']), 3: ('25', ['6'])}


def default_topology():
    text = open(os.path.join(ROOT, 'sim', 'default_topology.cpp'), encoding='utf-8').read()
    return json.loads(text[text.index('R"json(') + 7:text.index(')json"')])


def expectations(topology):
    """{controller name: {...}} from a topology, as the RAID stack makes it."""
    out = {}
    for c in topology['controllers']:
        disks = {}
        for d in c.get('disks', []):
            phy = d.get('phy', {})
            protocol = None if phy is None else phy.get('protocol', 1 if c.get('type', 1) == 1 else 2)
            disks[str(d['handle'])] = {'serial': d.get('serial', ''), 'size': d.get('size', 500107862016),
                                       'state': d.get('state', 6), 'usage': d.get('usage', 2),
                                       'no_pool': d.get('no_pool', 0),
                                       'interconnect': {1: '4', 3: '4', 2: '5', 4: '5'}.get(protocol)}
        by_serial = {d['serial']: h for h, d in disks.items()}
        levels = c.get('raid_info', {}).get('levels', {})
        volumes = {}
        for v in c.get('volumes', []):
            members = [str(m) if isinstance(m, int) else by_serial[m] for m in v.get('disks', [])]
            for m in members:
                disks[m]['usage'] = 1
            name, fewest, mirrored, parity = LEVELS[v.get('level', 1)]
            size = v.get('size', 0)
            if not size:
                data = len(members) // 2 if mirrored else len(members) - parity
                size = data * min(disks[m]['size'] for m in members)
            strip = v.get('strip_kib', levels.get(str(v.get('level', 1)), {}).get('strip_kib', 128))
            volumes[v['name']] = {'level': name, 'members': len(members), 'size': size, 'strip': strip * 1024,
                                  'health': HEALTH.get(v.get('state', 1), 0)}
        free = [d for d in disks.values() if d['usage'] in (2, 6) and not d['no_pool'] and d['state'] == 6]
        out[c['name']] = {'disks': disks, 'volumes': volumes, 'pool': sum(d['size'] for d in free),
                          'free': sorted((d['size'] for d in free), reverse=True),
                          'health': max([v['health'] for v in volumes.values()] + [5])}
    return out


# ---- the client ----------------------------------------------------------------------

def value(instance, name):
    """A property's value: a text, a list of texts (arrays), or None."""
    prop = properties(instance).get(name.lower())
    if prop is None or prop[1] is None:
        return None
    return prop[1] if prop[2] else prop[1][0]


class Walk(cc.Checks):
    def __init__(self, client, url, expected, records_only):
        super().__init__(client)
        self.url, self.expected, self.records_only = url, expected, records_only

    def assoc(self, ns, name, assoc, result=None, names=False):
        """Associators of an instance: [(namespace, INSTANCENAME, INSTANCE or None)] in the server's order."""
        params = p_name('ObjectName', name) + p_class('AssocClass', assoc)
        if result:
            params += p_class('ResultClass', result)
        out = []
        if names:
            for path in self.c.value(ns, 'AssociatorNames', params).iter('INSTANCEPATH'):
                out.append((cc.namespace_of(path.find('NAMESPACEPATH')), path.find('INSTANCENAME'), None))
            return out
        for obj in self.c.value(ns, 'Associators', params).findall('VALUE.OBJECTWITHPATH'):
            path = obj.find('INSTANCEPATH')
            out.append((cc.namespace_of(path.find('NAMESPACEPATH')), path.find('INSTANCENAME'), obj.find('INSTANCE')))
        return out

    def invoke(self, ns, name, method, params):
        """An extrinsic call on an instance: (return value, {out parameter: VALUE or VALUE.REFERENCE element})."""
        nspath = ''.join('<NAMESPACE NAME=%s/>' % quoteattr(p) for p in ns.split('/'))
        body = ('<?xml version="1.0" encoding="utf-8"?><CIM CIMVERSION="2.0" DTDVERSION="2.0">'
                '<MESSAGE ID="%d" PROTOCOLVERSION="1.0"><SIMPLEREQ><METHODCALL NAME="%s"><LOCALINSTANCEPATH>'
                '<LOCALNAMESPACEPATH>%s</LOCALNAMESPACEPATH>%s</LOCALINSTANCEPATH>%s</METHODCALL></SIMPLEREQ>'
                '</MESSAGE></CIM>' % (self.c.calls + 1, method, nspath, ET.tostring(name, encoding='unicode'), params))
        self.c.calls += 1
        request = urllib.request.Request(self.url + '/cimom', data=body.encode(), headers={
            'Content-Type': 'application/xml; charset="utf-8"', 'CIMOperation': 'MethodCall', 'CIMMethod': method,
            'CIMObject': ns.replace('/', '%2F')})
        with urllib.request.urlopen(request, timeout=60) as answer:
            response = ET.fromstring(answer.read()).find('MESSAGE/SIMPLERSP/METHODRESPONSE')
        error = response.find('ERROR')
        if error is not None:
            raise CimError(int(error.get('CODE')), error.get('DESCRIPTION', ''))
        outs = {p.get('NAME'): p[0] for p in response.findall('PARAMVALUE') if len(p)}
        return int(response.find('RETURNVALUE/VALUE').text), outs

    def systems(self):
        return self.instances(ZUB, 'ZUB_ComputerSystem')

    # -- walk 1
    def profiles(self):
        profiles = [p for p in self.instances(INTEROP, 'CIM_RegisteredProfile') if value(p[2], 'RegisteredName') == HHRC]
        if not self.check('1: the %s profile is registered' % HHRC, len(profiles) == 1, len(profiles)):
            return
        systems = {value(s, 'Name') for _, _, s in self.systems()}
        conforming = self.assoc(INTEROP, profiles[0][1], 'CIM_ElementConformsToProfile', names=True)
        named = {cc.key_text(k) for ns, n, _ in conforming if n.get('CLASSNAME') == 'ZUB_ComputerSystem'
                 for k in n.findall('KEYBINDING') if k.get('NAME') == 'Name'}
        ports = [n for _, n, _ in conforming if n.get('CLASSNAME') == 'ZUB_PortController']
        self.check('1: the port controllers conform to it, as the library joins them', len(ports) == len(systems),
                   len(ports))
        if self.records_only:
            self.check('1: (records only) no ZUB_ComputerSystem conforms to it', not named, named)
            return
        self.check('1: every ZUB_ComputerSystem conforms to it (%d)' % len(systems), named == systems and systems,
                   (named, systems))
        for _, name, system in self.systems():
            back = self.assoc(ZUB, name, 'CIM_ElementConformsToProfile', names=True)
            self.check('1: %s names the profile back' % value(system, 'Name'),
                       any(n.get('CLASSNAME') == profiles[0][1].get('CLASSNAME') for _, n, _ in back), len(back))

    # -- walks 2 to 6, per system
    def subsystem(self, ns, name, system):
        label = value(system, 'Name')
        want = self.expected.get(label)
        if not self.check('2: %s is a controller of the topology' % label, want is not None):
            return
        self.check('2: %s Name and NameFormat' % label, value(system, 'NameFormat') == 'HID')
        if self.records_only:
            self.check('2: (records only) %s has no ElementName, HealthState, OtherIdentifyingInfo' % label,
                       all(value(system, p) is None for p in ('ElementName', 'HealthState', 'OtherIdentifyingInfo')))
            return
        self.check('2: %s ElementName' % label, value(system, 'ElementName') == label, value(system, 'ElementName'))
        self.check('2: %s HealthState %d' % (label, want['health']), value(system, 'HealthState') == str(want['health']),
                   value(system, 'HealthState'))
        self.check('2: %s OperationalStatus' % label,
                   value(system, 'OperationalStatus') == STATUS_OF_HEALTH[want['health']], value(system, 'OperationalStatus'))
        described, info = value(system, 'IdentifyingDescriptions'), value(system, 'OtherIdentifyingInfo')
        self.check('2: %s OtherIdentifyingInfo holds its name, as IdentifyingDescriptions say' % label,
                   described and info and len(described) == len(info) and info[0] == label and all(info), (described, info))
        # 3: asset and version
        cards = self.assoc(ns, name, 'CIM_ComputerSystemPackage')
        self.check('3: %s has one card with Manufacturer, Model, SerialNumber, Tag' % label,
                   len(cards) == 1 and all(value(cards[0][2], p) for p in ('Manufacturer', 'Model', 'SerialNumber', 'Tag')),
                   len(cards))
        software = self.assoc(ns, name, 'CIM_InstalledSoftwareIdentity')
        first = software[0][2] if software else None
        self.check('3: %s: its first software identity is its own driver, with a VersionString' % label,
                   first is not None and value(first, 'InstanceID') == label and value(first, 'VersionString')
                   and '2' in (value(first, 'Classifications') or []), first is not None and value(first, 'InstanceID'))
        # 4: pool, capabilities, services
        pools = self.assoc(ns, name, 'CIM_HostedStoragePool', 'CIM_StoragePool')
        pool = pools[0] if pools else None
        if want['pool']:
            ok = len(pools) == 1
            self.check('4: %s hosts one pool' % label, ok, len(pools))
            if ok:
                p = pool[2]
                self.check('4: %s pool: Total/RemainingManagedSpace %d' % (label, want['pool']),
                           value(p, 'TotalManagedSpace') == value(p, 'RemainingManagedSpace') == str(want['pool']),
                           (value(p, 'TotalManagedSpace'), value(p, 'RemainingManagedSpace')))
                self.check('4: %s pool: OperationalStatus {2}, HealthState 5, Usage 2' % label,
                           (value(p, 'OperationalStatus'), value(p, 'HealthState'), value(p, 'Usage')) == (['2'], '5', '2'),
                           (value(p, 'OperationalStatus'), value(p, 'HealthState'), value(p, 'Usage')))
                caps = self.assoc(ns, pool[1], 'CIM_ElementCapabilities', 'CIM_StorageCapabilities')
                self.check('4: %s pool: its capabilities (ElementCapabilities)' % label, len(caps) == 1, len(caps))
        else:
            self.check('4: %s has no free, healthy disk and hosts no pool' % label, not pools, len(pools))
        services = self.assoc(ns, name, 'CIM_HostedService', names=True)
        classes = sorted(n.get('CLASSNAME') for _, n, _ in services)
        self.check('4: %s hosts its storage and spare configuration services' % label,
                   classes == ['ZUB_SpareConfigurationService', 'ZUB_StorageConfigurationService'], classes)
        # 5: volumes
        volumes = {value(v, 'ElementName'): (n, v) for _, n, v in self.assoc(ns, name, 'CIM_SystemDevice', 'CIM_StorageVolume')}
        self.check('5: %s: every volume through SystemDevice %s' % (label, sorted(want['volumes'])),
                   sorted(volumes) == sorted(want['volumes']), sorted(volumes))
        for vname, expect in want['volumes'].items():
            if vname not in volumes:
                continue
            vpath, v = volumes[vname]
            blocks = str(expect['size'] // BLOCK)
            got = {p: value(v, p) for p in ('BlockSize', 'NumberOfBlocks', 'ConsumableBlocks', 'OperationalStatus',
                                            'Access', 'Primordial', 'ExtentStripeLength', 'UserDataStripeDepth',
                                            'ParityLayout')}
            wanted = {'BlockSize': str(BLOCK), 'NumberOfBlocks': blocks, 'ConsumableBlocks': blocks,
                      'OperationalStatus': STATUS_OF_HEALTH[expect['health']], 'Access': '3', 'Primordial': 'FALSE',
                      'ExtentStripeLength': str(expect['members']), 'UserDataStripeDepth': str(expect['strip']),
                      'ParityLayout': '2' if expect['level'] in ('RAID5', 'RAID6') else None}
            self.check('5: %s volume %s (%s): geometry, status, access, layout' % (label, vname, expect['level']),
                       got == wanted, {k: (got[k], wanted[k]) for k in got if got[k] != wanted[k]})
            if pool:
                allocated = self.assoc(ns, vpath, 'CIM_AllocatedFromStoragePool', 'CIM_StoragePool', names=True)
                self.check('5: %s volume %s is allocated from the pool' % (label, vname),
                           [cc.path_key(*a[:2]) for a in allocated] == [cc.path_key(ns, pool[1])], len(allocated))
            settings = self.assoc(ns, vpath, 'CIM_ElementSettingData', 'CIM_StorageSetting', names=True)
            self.check('5: %s volume %s has its setting (ElementSettingData)' % (label, vname), len(settings) == 1,
                       len(settings))
        # 6: disks as drives, extents joined to the system
        drives = self.assoc(ns, name, 'CIM_SystemDevice', 'CIM_DiskDrive')
        self.check('6: %s: a drive per disk (%d)' % (label, len(want['disks'])),
                   sorted(value(d, 'DeviceID') for _, _, d in drives) == sorted(want['disks']),
                   sorted(value(d, 'DeviceID') for _, _, d in drives))
        for _, dpath, drive in drives:
            disk = want['disks'].get(value(drive, 'DeviceID'))
            if disk is None:
                continue
            extents = self.assoc(ns, dpath, 'CIM_MediaPresent', 'CIM_StorageExtent')
            health, status = DISK_HEALTH[disk['state']]
            self.check('6: %s drive %s: MediaPresent to its extent, state %d, interconnect %s'
                       % (label, disk['serial'], disk['state'], disk['interconnect']),
                       len(extents) == 1 and value(extents[0][2], 'DeviceID') == value(drive, 'DeviceID')
                       and value(drive, 'HealthState') == health and value(drive, 'OperationalStatus') == status
                       and value(drive, 'Name') == disk['serial'] and value(drive, 'InterconnectType') == disk['interconnect'],
                       (len(extents), value(drive, 'HealthState'), value(drive, 'OperationalStatus'),
                        value(drive, 'InterconnectType')))
        extents = self.assoc(ns, name, 'CIM_SystemDevice', 'CIM_StorageExtent', names=True)
        joined = sorted(cc.key_text(k) for _, n, _ in extents if n.get('CLASSNAME') == 'ZUB_StorageExtentDisk'
                        for k in n.findall('KEYBINDING') if k.get('NAME') == 'DeviceID')
        self.check('6: %s: its disk extents through SystemDevice' % label, joined == sorted(want['disks']), joined)

    def walk_systems(self):
        for ns, name, system in self.systems():
            self.subsystem(ns, name, system)

    # -- walk 7
    def provisioning(self):
        adapter = 'CreateOrModifyElementFromStoragePool'
        for ns, name, system in self.systems():
            label = value(system, 'Name')
            want = self.expected[label]
            services = self.assoc(ns, name, 'CIM_HostedService', 'CIM_StorageConfigurationService', names=True)
            spares = self.assoc(ns, name, 'CIM_HostedService', 'CIM_SpareConfigurationService', names=True)
            if not services or not spares:
                self.check('7: %s: its services are found' % label, False)
                continue
            service = services[0][1]
            self.sparing(ns, spares[0][1], label, want)
            if self.records_only or not want['pool']:
                try:
                    self.invoke(ns, service, adapter, '<PARAMVALUE NAME="ElementType"><VALUE>2</VALUE></PARAMVALUE>')
                    code = 0
                except CimError as e:
                    code = e.code
                wanted = 7 if self.records_only else 16
                self.check('7: %s: %s is not offered (CIM error %d)' % (label, adapter, wanted), code == wanted, code)
                continue
            pool = self.assoc(ns, name, 'CIM_HostedStoragePool', 'CIM_StoragePool', names=True)[0][1]
            caps = self.assoc(ns, pool, 'CIM_ElementCapabilities', 'CIM_StorageCapabilities', names=True)[0][1]
            rv, outs = self.invoke(ns, caps, 'CreateSetting',
                                   '<PARAMVALUE NAME="SettingType"><VALUE>3</VALUE></PARAMVALUE>')
            setting = outs.get('NewSetting')
            if not self.check('7: %s: CreateSetting gives a goal' % label, rv == 0 and setting is not None, rv):
                continue
            goal = '<PARAMVALUE NAME="Goal">%s</PARAMVALUE>' % ET.tostring(setting, encoding='unicode')
            in_pool = '<PARAMVALUE NAME="InPool"><VALUE.REFERENCE>%s</VALUE.REFERENCE></PARAMVALUE>' % \
                ET.tostring(pool, encoding='unicode')
            common = '<PARAMVALUE NAME="ElementType"><VALUE>2</VALUE></PARAMVALUE>' + goal + in_pool
            # The goal is RAID0: the fewest disks whose smallest times their count reaches the size.
            free = want['free']
            n = 2 if len(free) >= 2 else 0
            if not n:
                self.check('7: %s: two free disks for a RAID0 volume' % label, False, free)
                continue
            size = free[1] * 2 - BLOCK
            too_big = sum(free) + 1 if len(free) > 2 else free[1] * 2 + 1
            rv, outs = self.invoke(ns, service, adapter, common + '<PARAMVALUE NAME="Size"><VALUE>%d</VALUE></PARAMVALUE>'
                                   % too_big)
            self.check('7: %s: a size no choice of disks reaches gives 4097' % label, rv == 4097, rv)
            rv, outs = self.invoke(ns, service, adapter, common +
                                   '<PARAMVALUE NAME="ElementName"><VALUE>Walked</VALUE></PARAMVALUE>'
                                   '<PARAMVALUE NAME="Size"><VALUE>%d</VALUE></PARAMVALUE>' % size)
            element = outs.get('TheElement')
            if not self.check('7: %s: %s creates a RAID0 volume (%d)' % (label, adapter, rv),
                              rv == 0 and element is not None, rv):
                continue
            target = element.find('.//INSTANCENAME')
            created = self.c.value(ns, 'GetInstance', p_name('InstanceName', target)).find('INSTANCE')
            self.check('7: %s: the returned reference resolves to the new volume on two disks' % label,
                       value(created, 'ElementName') == 'Walked' and value(created, 'ExtentStripeLength') == '2',
                       (value(created, 'ElementName'), value(created, 'ExtentStripeLength')))
            listed = self.assoc(ns, name, 'CIM_SystemDevice', 'CIM_StorageVolume')
            self.check('7: %s: the new volume shows under the system' % label,
                       any(value(v, 'ElementName') == 'Walked' for _, _, v in listed))
            rv, _ = self.invoke(ns, service, 'ReturnToStoragePool',
                                '<PARAMVALUE NAME="TheElement">%s</PARAMVALUE>' % ET.tostring(element, encoding='unicode'))
            listed = self.assoc(ns, name, 'CIM_SystemDevice', 'CIM_StorageVolume')
            self.check('7: %s: ReturnToStoragePool deletes it' % label,
                       rv == 0 and not any(value(v, 'ElementName') == 'Walked' for _, _, v in listed), rv)

    def extents(self, ns, spare_service, operation):
        """The DeviceIDs GetExtents lists for an Operation, and their references."""
        rv, outs = self.invoke(ns, spare_service, 'GetExtents',
                               '<PARAMVALUE NAME="Operation"><VALUE>%d</VALUE></PARAMVALUE>' % operation)
        refs = outs['Extents'].findall('VALUE.REFERENCE') if 'Extents' in outs else []
        ids = sorted(r.find(".//KEYBINDING[@NAME='DeviceID']/KEYVALUE").text for r in refs)
        return rv, ids, refs

    def sparing(self, ns, spare_service, label, want):
        """The spare service as it is: its spares and candidates, one disk marked and unmarked."""
        disks = want['disks']
        spares = sorted(h for h, d in disks.items() if d['usage'] == 4 and d['state'] == 6)
        candidates = sorted(h for h, d in disks.items() if d['usage'] == 2 and d['state'] == 6 and not d['no_pool'])
        rv, ids, _ = self.extents(ns, spare_service, 1)
        self.check('7: %s: GetExtents lists its spares %s' % (label, spares), rv == 0 and ids == spares, (rv, ids))
        rv, ids, refs = self.extents(ns, spare_service, 0)
        self.check('7: %s: GetExtents lists its spare candidates %s' % (label, candidates),
                   rv == 0 and ids == candidates, (rv, ids))
        if self.records_only or not refs:
            return
        chosen = refs[0]
        param = ('<PARAMVALUE NAME="InExtents"><VALUE.REFARRAY>%s</VALUE.REFARRAY></PARAMVALUE>'
                 % ET.tostring(chosen, encoding='unicode'))
        marked = chosen.find(".//KEYBINDING[@NAME='DeviceID']/KEYVALUE").text
        rv, _ = self.invoke(ns, spare_service, 'SetSpareExtents',
                            param + '<PARAMVALUE NAME="Operation"><VALUE>3</VALUE></PARAMVALUE>')
        self.check('7: %s: SetSpareExtents marks disk %s a spare' % (label, marked),
                   rv == 0 and marked in self.wait_for_spares(ns, spare_service, marked, True), rv)
        rv, _ = self.invoke(ns, spare_service, 'SetSpareExtents',
                            param + '<PARAMVALUE NAME="Operation"><VALUE>4</VALUE></PARAMVALUE>')
        self.check('7: %s: SetSpareExtents unmarks it' % label,
                   rv == 0 and marked not in self.wait_for_spares(ns, spare_service, marked, False), rv)

    def wait_for_spares(self, ns, spare_service, disk, present):
        """The spares once `disk` is (or is no longer) among them, or after 10 s."""
        deadline = time.monotonic() + 10
        while True:
            ids = self.extents(ns, spare_service, 1)[1]
            if (disk in ids) == present or time.monotonic() > deadline:
                return ids
            time.sleep(0.2)

    def view_classes(self):
        try:
            self.c.value(ZUB, 'GetClass', p_class('ClassName', 'ZUB_HostDiskDrive'))
            code = 0
        except CimError as e:
            code = e.code
        if self.records_only:
            self.check('(records only) the view\'s classes are not served', code == 6, code)
            derived = [(cls, p) for cls, props in (('ZUB_StorageVolume', ('NumberOfBlocks', 'OperationalStatus')),
                                                   ('ZUB_StoragePool', ('TotalManagedSpace', 'Usage')))
                       for _, _, i in self.instances(ZUB, cls) for p in props if value(i, p) is not None]
            self.check('(records only) volumes and pools have no derived property', not derived, derived)
        else:
            self.check('the view\'s drive class is served', code == 0, code)


# ---- walk 8: life-cycle indications ------------------------------------------------

DATETIME = re.compile(r'^\d{14}\.\d{6}[+-]\d{3}$')
WATCHED = ('CIM_StorageVolume', 'CIM_StoragePool', 'CIM_StorageExtent', 'CIM_DiskDrive')


class Listener:
    """A CIM-XML listener on a free loopback port: every indication received, as
    (class, SourceInstance, PreviousInstance, IndicationTime), instances as INSTANCE elements."""

    def __init__(self):
        self.received, self.lock = [], threading.Lock()
        outer = self

        class Handler(BaseHTTPRequestHandler):
            def do_POST(self):
                body = self.rfile.read(int(self.headers.get('Content-Length', 0)))
                try:
                    outer.take(ET.fromstring(body))
                finally:
                    self.send_response(200)
                    self.send_header('Content-Length', '0')
                    self.end_headers()

            def log_message(self, *args):
                pass

        self.server = ThreadingHTTPServer(('127.0.0.1', 0), Handler)
        self.url = 'http://127.0.0.1:%d' % self.server.server_address[1]
        threading.Thread(target=self.server.serve_forever, daemon=True).start()

    def take(self, message):
        for indication in message.iter('INSTANCE'):
            if not indication.get('CLASSNAME', '').startswith('CIM_Inst'):
                continue
            def embedded(name):
                text = value(indication, name)
                return ET.fromstring(text) if text else None
            with self.lock:
                self.received.append((indication.get('CLASSNAME'), embedded('SourceInstance'),
                                      embedded('PreviousInstance'), value(indication, 'IndicationTime')))

    def events(self):
        """[(indication class, source class, DeviceID or InstanceID, source, previous, time)]."""
        with self.lock:
            return [(cls, src.get('CLASSNAME'), value(src, 'DeviceID') or value(src, 'InstanceID'), src, prev, when)
                    for cls, src, prev, when in self.received if src is not None]

    def until(self, wanted, seconds=60):
        """The events once `wanted(events)` holds, or after `seconds`."""
        deadline = time.monotonic() + seconds
        while not wanted(self.events()) and time.monotonic() < deadline:
            time.sleep(0.2)
        return self.events()

    def stop(self):
        self.server.shutdown()


class LifeCycle:
    """Walk 8: what a client subscribing to life-cycle indications receives."""

    def __init__(self, walk, topology):
        self.walk, self.topology, self.listener = walk, topology, None

    def subscribe(self):
        self.listener = Listener()
        subs = cc.Subscriptions(self.walk, None, self.walk.url)
        destination = subs.create('<INSTANCE CLASSNAME="CIM_ListenerDestinationCIMXML">' +
                                  cc.prop('Name', 'string', 'client-walk') +
                                  cc.prop('Destination', 'string', self.listener.url) + '</INSTANCE>')
        where = ' OR '.join('SourceInstance ISA %s' % cls for cls in WATCHED)
        for indication in ('CIM_InstCreation', 'CIM_InstDeletion', 'CIM_InstModification'):
            query = subs.create('<INSTANCE CLASSNAME="CIM_IndicationFilter">' + cc.prop('Name', 'string', indication) +
                                cc.prop('Query', 'string', 'SELECT * FROM %s WHERE %s' % (indication, where)) +
                                cc.prop('QueryLanguage', 'string', 'WQL') +
                                '<PROPERTY.ARRAY NAME="SourceNamespaces" TYPE="string"><VALUE.ARRAY><VALUE>%s'
                                '</VALUE></VALUE.ARRAY></PROPERTY.ARRAY></INSTANCE>' % ZUB)
            subs.create('<INSTANCE CLASSNAME="CIM_IndicationSubscription">' + cc.interop_ref('Filter', query) +
                        cc.interop_ref('Handler', destination) + '</INSTANCE>')
        self.walk.check('8: three life-cycle filters and their subscriptions are made', True)

    def sim(self, change):
        request = urllib.request.Request(self.walk.url + '/sim', data=json.dumps(change).encode(),
                                         headers={'Content-Type': 'application/json'})
        with urllib.request.urlopen(request, timeout=60) as answer:
            answer.read()

    def check(self):
        walk, records_only = self.walk, self.walk.records_only
        controller = self.topology['controllers'][0]
        handle = str(max([d['handle'] for c in self.topology['controllers'] for d in c.get('disks', [])] + [0]) + 100)
        drive = 'ZUB_HostDiskDrive'

        def about(events, kind, cls):
            return [e for e in events if e[0] == kind and e[1] == cls and e[2] == handle]

        # The disk comes, and once its creation is in (so the two changes are
        # two batches the server compares), it predicts its failure.
        self.sim({'op': 'insert_disk', 'controller': controller['handle'],
                  'disk': {'handle': int(handle), 'serial': 'WALK8'}})
        self.listener.until(lambda events: about(events, 'CIM_InstCreation', 'ZUB_StorageExtentDisk'))
        self.sim({'op': 'set_disk', 'disk': 'WALK8', 'state': 4})

        def done(events):
            if records_only:
                return about(events, 'CIM_InstModification', 'ZUB_StorageExtentDisk')
            return about(events, 'CIM_InstModification', drive)
        events = self.listener.until(done)
        # Once the last change is in, a moment for anything that should not come.
        time.sleep(1)
        events = self.listener.events()
        label = 'controller %s, disk %s' % (controller['name'], handle)
        for kind in ('CIM_InstCreation', 'CIM_InstModification'):
            got = about(events, kind, 'ZUB_StorageExtentDisk')
            walk.check('8: %s: one %s of its disk extent' % (label, kind), len(got) == 1, len(got))
        drives = [e for e in events if e[1] == drive]
        if records_only:
            walk.check('8: (records only) no drive\'s indication', not drives, len(drives))
        else:
            made, changed = about(events, 'CIM_InstCreation', drive), about(events, 'CIM_InstModification', drive)
            walk.check('8: %s: its drive is created once, with its HealthState 5' % label,
                       len(made) == 1 and value(made[0][3], 'HealthState') == '5',
                       [value(e[3], 'HealthState') for e in made])
            walk.check('8: %s: the drive\'s modification carries HealthState 5 before and 10 after' % label,
                       len(changed) == 1 and value(changed[0][4], 'HealthState') == '5' and
                       value(changed[0][3], 'HealthState') == '10',
                       [(value(e[4], 'HealthState') if e[4] is not None else None, value(e[3], 'HealthState'))
                        for e in changed])
        walk.check('8: every IndicationTime is a CIM datetime (%d indications)' % len(events),
                   events and all(e[5] and DATETIME.match(e[5]) for e in events),
                   [e[5] for e in events if not (e[5] and DATETIME.match(e[5]))][:3])
        modifications = [e for e in events if e[0] == 'CIM_InstModification']
        walk.check('8: every modification has its PreviousInstance',
                   all(e[4] is not None for e in modifications), len(modifications))
        # The volume walk 7 made from a pool and returned to it.
        walked = [e for e in events if e[1] == 'ZUB_StorageVolume' and value(e[3], 'ElementName') == 'Walked']
        if records_only or not any(want['pool'] and len(want['free']) >= 2 for want in walk.expected.values()):
            walk.check('8: no volume was made, none came', not walked, len(walked))
            return
        kinds = sorted(e[0] for e in walked if e[0] != 'CIM_InstModification')
        walk.check('8: the volume walk 7 made: one creation, one deletion',
                   kinds == ['CIM_InstCreation', 'CIM_InstDeletion'], kinds)
        walk.check('8: the volume\'s SourceInstance carries its NumberOfBlocks (derived)',
                   all(value(e[3], 'NumberOfBlocks') for e in walked), [value(e[3], 'NumberOfBlocks') for e in walked])
        # The watch compares listings made after each batch of alerts: a pool
        # whose disks went and came back between two listings shows no
        # change, and sparing in walk 7 may take a controller's last free
        # disk (its pool goes and comes back). So some pool indication came,
        # whichever kind.
        pools = [e for e in events if e[1] == 'ZUB_StoragePool']
        walk.check('8: the pools that gave disks are reported; every pool\'s instance carries TotalManagedSpace '
                   '(derived)', pools and all(value(e[3], 'TotalManagedSpace') for e in pools),
                   [(e[0], value(e[3], 'TotalManagedSpace')) for e in pools])


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument('--zubcim', default=os.path.join(ROOT, 'build', 'bin', 'zubcim'))
    parser.add_argument('--topology', help='topology file (default: the built-in one)')
    parser.add_argument('--records-only', action='store_true', help='serve the records alone; check the view is off')
    args = parser.parse_args()
    topology = json.load(open(args.topology)) if args.topology else default_topology()
    server, url = cc.start_server(args.zubcim, args.topology, ['--records-only'] if args.records_only else [],
                                  'client-walk')
    started = time.monotonic()
    walk = Walk(cc.Client(url), url, expectations(topology), args.records_only)
    lifecycle = LifeCycle(walk, topology)
    try:
        for step in (walk.view_classes, walk.profiles, walk.walk_systems, lifecycle.subscribe, walk.provisioning,
                     lifecycle.check):
            try:
                step()
            except (CimError, OSError, AttributeError, IndexError, KeyError, TypeError, ValueError) as e:
                walk.check(step.__name__, False, 'stopped: %r' % e)
    finally:
        server.terminate()
        server.wait()
        if lifecycle.listener:
            lifecycle.listener.stop()
    print('client-walk: %d passed, %d failed (%d requests, %.1f s)' %
          (walk.passed, walk.failed, walk.c.calls, time.monotonic() - started))
    return 1 if walk.failed else 0


if __name__ == '__main__':
    sys.exit(main())

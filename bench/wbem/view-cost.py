#!/usr/bin/env python3
"""The client view's cost on classes it adds nothing to: two `zubcim serve`
processes on one generated topology of 1024 disks (8 controllers of 128), one
with the view and one with --records-only, each enumerating the same class in
turns (one request to each a round, the order swapped every round), timed by
the servers themselves (their request log), so the client's reading of the
answer does not count. Prints the time per instance of each and the view's
over records-only, for the median and the fastest request.

    bench/wbem/view-cost.py [--zubcim build/bin/zubcim] [--rounds 40] [CLASS...]
"""
import argparse
import json
import os
import re
import statistics
import subprocess
import tempfile
import urllib.request

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
DISKS = 1024


def topology():
    controllers, handle = [], 100000
    for c in range(8):
        disks = []
        for _ in range(DISKS // 8):
            handle += 1
            disks.append({'handle': handle, 'serial': 'SN%d' % handle, 'model': 'BENCH DISK'})
        controllers.append({'name': 'Controller %d' % c, 'type': 2, 'disks': disks})
    return {'middleware_version': '1', 'controllers': controllers}


def start(zubcim, topology_file, log, extra):
    server = subprocess.Popen([zubcim, '--topology', topology_file, 'serve', '--listen', '127.0.0.1:0'] + extra,
                              stdout=subprocess.PIPE, stderr=open(log, 'w'), text=True)
    return server, re.search(r'(http://127\.0\.0\.1:\d+)', server.stdout.readline()).group(1)


def enumerate_instances(url, cls):
    body = ('<?xml version="1.0" encoding="utf-8"?><CIM CIMVERSION="2.0" DTDVERSION="2.0"><MESSAGE ID="1" '
            'PROTOCOLVERSION="1.0"><SIMPLEREQ><IMETHODCALL NAME="EnumerateInstances"><LOCALNAMESPACEPATH>'
            '<NAMESPACE NAME="root"/><NAMESPACE NAME="corvo_zub"/></LOCALNAMESPACEPATH><IPARAMVALUE NAME="ClassName">'
            '<CLASSNAME NAME="%s"/></IPARAMVALUE></IMETHODCALL></SIMPLEREQ></MESSAGE></CIM>' % cls)
    request = urllib.request.Request(url + '/cimom', data=body.encode(), headers={
        'Content-Type': 'application/xml', 'CIMOperation': 'MethodCall', 'CIMMethod': 'EnumerateInstances',
        'CIMObject': 'root%2Fcorvo_zub'})
    urllib.request.urlopen(request, timeout=120).read()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument('--zubcim', default=os.path.join(ROOT, 'build', 'bin', 'zubcim'))
    parser.add_argument('--rounds', type=int, default=40)
    parser.add_argument('classes', nargs='*', default=['ZUB_StorageExtentDisk', 'ZUB_ProductDisk', 'ZUB_AlarmDevice'])
    args = parser.parse_args()
    work = tempfile.mkdtemp(prefix='view-cost-')
    topology_file = os.path.join(work, 'topology.json')
    with open(topology_file, 'w') as f:
        json.dump(topology(), f)
    for cls in args.classes:
        logs = {mode: os.path.join(work, '%s-%s.log' % (cls, mode)) for mode in ('records', 'view')}
        servers = {'records': start(args.zubcim, topology_file, logs['records'], ['--records-only']),
                   'view': start(args.zubcim, topology_file, logs['view'], [])}
        warm = 2
        for round_ in range(args.rounds + warm):
            for mode in (('records', 'view') if round_ % 2 else ('view', 'records')):
                enumerate_instances(servers[mode][1], cls)
        for server, _ in servers.values():
            server.terminate()
            server.wait()
        ms = {mode: [float(t) for t in re.findall(r' ([0-9.]+) ms$', open(log).read(), re.M)][warm:]
              for mode, log in logs.items()}
        for label, pick in (('median', statistics.median), ('fastest', min)):
            records, view = pick(ms['records']) * 1000 / DISKS, pick(ms['view']) * 1000 / DISKS
            print('%-24s %-7s per instance: records only %7.2f us, view %7.2f us (%+.1f %%)' %
                  (cls, label, records, view, (view / records - 1) * 100))


if __name__ == '__main__':
    main()

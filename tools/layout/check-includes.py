#!/usr/bin/env python3
"""Checks that every project include points down the rooms' order and that no
header includes form a cycle. Exit 1 with one line per offence.

The rooms, lowest first (a room may include its own files and any lower
room's):
  include/zubprov (the public headers: they include only each other and
  platform/export.h), platform < framework < middleware < classes < events < provider
    < host/kit < host/view, host/sim < host/cim < host/indications < host/wbem < host/cli
    < tools, bench, fuzz < tests, examples
sim/ stands in for the external middleware: it includes nothing of the
provider but platform/ and middleware/abru2.h (the API it implements), and
nothing above sim includes it but tests, tools, benches, fuzz and the host's
simulation room (host/sim).
"""
import os, re, sys

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
ORDER = [
    ('include/', 0), ('platform/', 0), ('framework/', 1), ('middleware/', 2), ('classes/', 3), ('events/', 4), ('provider/', 5),
    ('host/kit/', 6), ('host/view/', 7), ('host/sim/', 7), ('host/cim/', 8), ('host/indications/', 9), ('host/wbem/', 10),
    ('host/cli/', 11), ('tools/', 12), ('bench/', 12), ('fuzz/', 12), ('tests/', 13), ('examples/', 13),
]
# Who may include the simulation's own headers (sim/): the host's simulation
# room, and the programs around the library.
SIM_USERS = ('host/sim/', 'tools/', 'bench/', 'fuzz/', 'tests/')

def room(path):
    best = None
    for prefix, level in ORDER:
        if path.startswith(prefix) and (best is None or len(prefix) > len(best[0])):
            best = (prefix, level)
    if path.startswith('sim/'):
        return ('sim/', None)
    return best

def main():
    offences = []
    graph = {}
    for dirpath, dirs, files in os.walk(ROOT):
        dirs[:] = [d for d in dirs if not d.startswith('.') and not d.startswith('build')]
        for f in files:
            if not f.endswith(('.h', '.cpp')):
                continue
            path = os.path.relpath(os.path.join(dirpath, f), ROOT).replace(os.sep, '/')
            here = room(path)
            if here is None:
                continue
            for n, line in enumerate(open(os.path.join(dirpath, f), encoding='utf-8', errors='replace'), 1):
                m = re.match(r'\s*#\s*include\s+"([^"]+)"', line)
                if not m:
                    continue
                target = m.group(1)
                if target.startswith('zubprov/'):
                    target = 'include/' + target
                if not os.path.exists(os.path.join(ROOT, target)):
                    continue  # a system or generated header
                graph.setdefault(path, set()).add(target)
                there = room(target)
                if there is None:
                    continue
                where = '%s:%d: includes %s' % (path, n, target)
                if here[0] == 'include/':
                    if not (target.startswith('include/') or target.startswith('zubprov/') or target == 'platform/export.h'):
                        offences.append(where + ' (a public header includes only public headers)')
                    continue
                if here[0] == 'sim/':
                    if not (target.startswith('platform/') or target == 'middleware/abru2.h' or target.startswith('sim/')):
                        offences.append(where + ' (the simulation shares nothing with the provider)')
                    continue
                if there[0] == 'sim/':
                    if here[0] not in SIM_USERS:
                        offences.append(where + ' (only tests, tools, benches, fuzz and host/sim reach the simulation)')
                    continue
                if there[1] > here[1]:
                    offences.append(where + ' (reaches up: %s is above %s)' % (there[0], here[0]))
    # Cycles among project headers.
    state = {}
    def visit(node, stack):
        state[node] = 1
        stack.append(node)
        for nxt in sorted(graph.get(node, ())):
            if state.get(nxt) == 1:
                offences.append('include cycle: ' + ' -> '.join(stack[stack.index(nxt):] + [nxt]))
            elif nxt not in state:
                visit(nxt, stack)
        stack.pop()
        state[node] = 2
    for node in sorted(graph):
        if node not in state:
            visit(node, [])
    for o in offences:
        print(o)
    return 1 if offences else 0

if __name__ == '__main__':
    sys.exit(main())

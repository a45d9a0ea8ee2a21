#!/usr/bin/env python3
"""Walks zubcim serve the way a standard WBEM client does, and checks what a
client relies on.

    tools/conformance/cim-client-check.py [--zubcim build/bin/zubcim] [--url URL]

Without --url it starts `zubcim serve` on a free loopback port, on the
topology below, and stops it at the end. One line per check ("ok ..." or
"FAIL ..."), then a summary; exit 0 when every check passed, 1 otherwise.

What it walks, with nothing but the standard library:
- discovery in the interop namespace: the namespaces, the one object
  manager, its CIM-XML communication mechanism, the registered profiles and
  the elements each profile's ElementConformsToProfile names (both ends);
- every class of every namespace: GetClass with inherited properties, each
  inherited property as its superclass declares it, keys kept;
- every instance: values of their declared types, paths whose keys are the
  class's keys with the instance's values, GetInstance giving the same
  instance, every reference of every association resolving, and each end
  of an association leading to the other (Associators);
- pulled enumerations in pieces of 7 giving what the one-shot operations
  give;
- the error codes a client acts on, and the qualifier declarations;
- indication subscriptions as a client makes them: one that expires, and
  what OnFatalErrorPolicy does when the listener is gone (Remove, Disable).
"""
import argparse
import os
import re
import socket
import subprocess
import sys
import time
import urllib.error
import urllib.request
import xml.etree.ElementTree as ET
from xml.sax.saxutils import escape, quoteattr

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
INTEROP = 'root/interop'
ZUB = 'root/corvo_zub'

# Two controllers; a mirror over two disks, a spare and an available disk on
# the first, one disk on the second.
TOPOLOGY = '''{
  "middleware_version": "13.2.0.1022",
  "controllers": [
    {"handle": 1, "name": "First RAID", "type": 1, "write_back_offered": 1,
     "disks": [
       {"handle": 11, "serial": "S11", "model": "Disk A", "size": 256060514304},
       {"handle": 12, "serial": "S12", "model": "Disk A", "size": 256060514304},
       {"handle": 13, "serial": "S13", "model": "Disk B", "size": 500107862016, "usage": 4},
       {"handle": 14, "serial": "S14", "model": "Disk B", "size": 500107862016}],
     "volumes": [{"handle": 21, "array_handle": 22, "name": "Boot", "level": 2, "disks": ["S11", "S12"], "cache": 3}]},
    {"handle": 2, "name": "Second RAID", "type": 1,
     "disks": [{"handle": 31, "serial": "S31", "model": "Disk C", "size": 1000204886016}]}
  ]
}'''


class CimError(Exception):
    def __init__(self, code, text):
        super().__init__('%d %s' % (code, text))
        self.code = code


class Client:
    def __init__(self, url):
        self.url = url.rstrip('/') + '/cimom'
        self.calls = 0

    def call(self, ns, op, params=''):
        nspath = ''.join('<NAMESPACE NAME=%s/>' % quoteattr(p) for p in ns.split('/'))
        body = ('<?xml version="1.0" encoding="utf-8"?><CIM CIMVERSION="2.0" DTDVERSION="2.0">'
                '<MESSAGE ID="%d" PROTOCOLVERSION="1.0"><SIMPLEREQ><IMETHODCALL NAME="%s">'
                '<LOCALNAMESPACEPATH>%s</LOCALNAMESPACEPATH>%s</IMETHODCALL></SIMPLEREQ></MESSAGE></CIM>'
                % (self.calls + 1, op, nspath, params))
        self.calls += 1
        request = urllib.request.Request(self.url, data=body.encode(), headers={
            'Content-Type': 'application/xml; charset="utf-8"', 'CIMOperation': 'MethodCall',
            'CIMMethod': op, 'CIMObject': ns.replace('/', '%2F')})
        with urllib.request.urlopen(request, timeout=60) as answer:
            doc = ET.fromstring(answer.read())
        response = doc.find('MESSAGE/SIMPLERSP/IMETHODRESPONSE')
        error = response.find('ERROR')
        if error is not None:
            raise CimError(int(error.get('CODE')), error.get('DESCRIPTION', ''))
        return response

    def value(self, ns, op, params=''):
        returned = self.call(ns, op, params).find('IRETURNVALUE')
        return returned if returned is not None else ET.Element('IRETURNVALUE')


# ---- request parameters ------------------------------------------------------

def p_class(name, cls):
    return '<IPARAMVALUE NAME="%s"><CLASSNAME NAME=%s/></IPARAMVALUE>' % (name, quoteattr(cls))


def p_value(name, value):
    if isinstance(value, bool):
        value = 'TRUE' if value else 'FALSE'
    return '<IPARAMVALUE NAME="%s"><VALUE>%s</VALUE></IPARAMVALUE>' % (name, escape(str(value)))


def p_name(name, instancename):
    return '<IPARAMVALUE NAME="%s">%s</IPARAMVALUE>' % (name, ET.tostring(instancename, encoding='unicode'))


# ---- what responses hold -----------------------------------------------------

def key_text(keybinding):
    """A key's value as text; a reference key as the key of what it names."""
    value = keybinding.find('KEYVALUE')
    if value is not None:
        return value.text or ''
    return repr(path_key(*reference_target(keybinding.find('VALUE.REFERENCE'), None)))


def path_key(ns, instancename):
    keys = sorted((k.get('NAME').lower(), key_text(k)) for k in instancename.findall('KEYBINDING'))
    return (ns.lower(), instancename.get('CLASSNAME').lower(), tuple(keys))


def namespace_of(nspath):
    return '/'.join(n.get('NAME') for n in nspath.iter('NAMESPACE'))


def reference_target(reference, ns):
    """(namespace, INSTANCENAME) a VALUE.REFERENCE names; `ns` when it names none."""
    for form in ('INSTANCEPATH', 'LOCALINSTANCEPATH'):
        path = reference.find(form)
        if path is not None:
            return namespace_of(path), path.find('INSTANCENAME')
    return ns, reference.find('INSTANCENAME')


def properties(instance):
    """{name: (type, [values] or None, is array, references)}"""
    out = {}
    for p in instance:
        name = p.get('NAME')
        if p.tag == 'PROPERTY.REFERENCE':
            ref = p.find('VALUE.REFERENCE')
            out[name.lower()] = ('reference', None, False, ref)
        else:
            values = [v.text or '' for v in p.iter('VALUE')] if (p.find('VALUE') is not None or
                                                                  p.find('VALUE.ARRAY') is not None) else None
            out[name.lower()] = (p.get('TYPE'), values, p.tag == 'PROPERTY.ARRAY', None)
    return out


def comparable(instance):
    """An instance's properties as one text, references by what they name."""
    out = []
    for name, (cimtype, values, array, ref) in sorted(properties(instance).items()):
        out.append((name, cimtype, values, array, path_key(*reference_target(ref, '')) if ref is not None else None))
    return repr(out)


DATETIME = re.compile(r'^\d{14}\.\d{6}[+-]\d{3}$|^\d{8}\d{6}\.\d{6}:000$')


def bad_value(cimtype, text):
    if cimtype.startswith(('uint', 'sint')):
        if not re.fullmatch(r'-?\d+|0[xX][0-9a-fA-F]+', text):
            return True
        bits = int(cimtype[4:])
        n = int(text, 0)
        return not ((0 <= n < 2 ** bits) if cimtype[0] == 'u' else (-2 ** (bits - 1) <= n < 2 ** (bits - 1)))
    if cimtype == 'boolean':
        return text.upper() not in ('TRUE', 'FALSE')
    if cimtype.startswith('real'):
        try:
            float(text)
        except ValueError:
            return True
    if cimtype == 'datetime':
        return not DATETIME.match(text)
    if cimtype == 'char16':
        return len(text) != 1
    return False


# ---- the checks ----------------------------------------------------------------

class Checks:
    def __init__(self, client):
        self.c = client
        self.passed = 0
        self.failed = 0
        self.classes = {}  # (ns, lower name) -> CLASS element

    def check(self, name, ok, detail=''):
        if ok:
            self.passed += 1
            print('ok   ' + name)
        else:
            self.failed += 1
            print('FAIL %s: %s' % (name, detail))
        return ok

    def error_of(self, ns, op, params=''):
        try:
            self.c.call(ns, op, params)
        except CimError as e:
            return e.code
        return 0

    def instances(self, ns, cls):
        """[(namespace, INSTANCENAME, INSTANCE)] of EnumerateInstances."""
        out = []
        for named in self.c.value(ns, 'EnumerateInstances', p_class('ClassName', cls) +
                                  p_value('DeepInheritance', True)).findall('VALUE.NAMEDINSTANCE'):
            out.append((ns, named.find('INSTANCENAME'), named.find('INSTANCE')))
        return out

    def get_class(self, ns, name):
        key = (ns, name.lower())
        if key not in self.classes:
            self.classes[key] = self.c.value(ns, 'GetClass', p_class('ClassName', name) + p_value('LocalOnly', False) +
                                             p_value('IncludeQualifiers', True) +
                                             p_value('IncludeClassOrigin', True)).find('CLASS')
        return self.classes[key]

    # -- discovery
    def discovery(self):
        names = {inst.find("PROPERTY[@NAME='Name']/VALUE").text.lower()
                 for _, _, inst in self.instances(INTEROP, 'CIM_Namespace')}
        self.check('interop: CIM_Namespace names both namespaces', {ZUB, INTEROP} <= names, sorted(names))
        managers = self.instances(INTEROP, 'CIM_ObjectManager')
        self.check('interop: one CIM_ObjectManager', len(managers) == 1, len(managers))
        mechanisms = self.instances(INTEROP, 'CIM_CIMXMLCommunicationMechanism')
        self.check('interop: a CIM-XML communication mechanism', len(mechanisms) >= 1)
        if managers and mechanisms:
            ends = self.c.value(INTEROP, 'AssociatorNames', p_name('ObjectName', managers[0][1]) +
                                p_class('AssocClass', 'CIM_CommMechanismForManager'))
            self.check('interop: the object manager names its communication mechanism',
                       any(n.find('INSTANCENAME').get('CLASSNAME') == mechanisms[0][1].get('CLASSNAME')
                           for n in ends.iter('INSTANCEPATH')), ET.tostring(ends, encoding='unicode')[:300])
        if managers:
            manager = properties(managers[0][2])
            self.check('interop: the object manager names its system and itself',
                       all((manager.get(k, (0, None))[1] or [''])[0] for k in ('systemname', 'elementname', 'name')),
                       manager.get('systemname'))
        # Organisations by name, as a client reads them: through the class's
        # ValueMap and Values.
        organisation = self.get_class(INTEROP, 'CIM_RegisteredProfile').find(
            "PROPERTY[@NAME='RegisteredOrganization']")
        qualifier = {q.get('NAME'): [v.text for v in q.iter('VALUE')] for q in organisation.findall('QUALIFIER')}
        names = dict(zip(qualifier.get('ValueMap', []), qualifier.get('Values', [])))
        profiles = self.instances(INTEROP, 'CIM_RegisteredProfile')
        registered = {(names.get(p.find("PROPERTY[@NAME='RegisteredOrganization']/VALUE").text),
                       p.find("PROPERTY[@NAME='RegisteredName']/VALUE").text) for _, _, p in profiles}
        self.check('interop: the SNIA Server profile is registered (%d profiles)' % len(profiles),
                   ('SNIA', 'Server') in registered and None not in {o for o, _ in registered}, registered)
        for ns, name, profile in profiles:
            label = 'profile %s' % profile.find("PROPERTY[@NAME='RegisteredName']/VALUE").text
            try:
                conforming = self.c.value(ns, 'AssociatorNames', p_name('ObjectName', name) +
                                          p_class('AssocClass', 'CIM_ElementConformsToProfile'))
            except CimError as e:
                self.check(label + ': ElementConformsToProfile', False, e)
                continue
            paths = conforming.findall('OBJECTPATH/INSTANCEPATH')
            if not paths:
                continue  # a profile another one scopes names no element itself
            back = 0
            for path in paths:
                target_ns, target = namespace_of(path.find('NAMESPACEPATH')), path.find('INSTANCENAME')
                try:
                    self.c.value(target_ns, 'GetInstance', p_name('InstanceName', target))
                    ends = self.c.value(target_ns, 'AssociatorNames', p_name('ObjectName', target) +
                                        p_class('AssocClass', 'CIM_ElementConformsToProfile'))
                    if any(path_key(namespace_of(e.find('NAMESPACEPATH')), e.find('INSTANCENAME')) ==
                           path_key(ns, name) for e in ends.iter('INSTANCEPATH')):
                        back += 1
                except CimError as e:
                    self.check(label + ': conforming element', False, e)
                    break
            self.check(label + ': its %d conforming elements resolve and name it back' % len(paths),
                       back == len(paths), '%d of %d' % (back, len(paths)))

    # -- classes
    def schema(self):
        for ns in (ZUB, INTEROP):
            names = [c.get('NAME') for c in self.c.value(ns, 'EnumerateClassNames', p_value('DeepInheritance', True))
                     .findall('CLASSNAME')]
            whole = self.c.value(ns, 'EnumerateClasses', p_value('DeepInheritance', True) +
                                 p_value('LocalOnly', False)).findall('CLASS')
            self.check('%s: EnumerateClasses and EnumerateClassNames agree (%d classes)' % (ns, len(names)),
                       sorted(c.get('NAME') for c in whole) == sorted(names))
            known = {n.lower() for n in names}
            problems = []
            for name in names:
                cls = self.get_class(ns, name)
                superclass = cls.get('SUPERCLASS')
                if superclass and superclass.lower() not in known:
                    problems.append('%s: superclass %s is not served' % (name, superclass))
                    continue
                mine = {p.get('NAME').lower(): p for p in cls if p.tag.startswith('PROPERTY')}
                if any(p.get('CLASSORIGIN') is None for p in mine.values()):
                    problems.append('%s: a property without CLASSORIGIN' % name)
                if not superclass:
                    continue
                for p in self.get_class(ns, superclass):
                    if not p.tag.startswith('PROPERTY'):
                        continue
                    q = mine.get(p.get('NAME').lower())
                    if q is None:
                        problems.append('%s lacks %s.%s' % (name, superclass, p.get('NAME')))
                    elif q.tag != p.tag or q.get('TYPE') != p.get('TYPE'):
                        problems.append('%s.%s is %s %s, %s declares %s %s' % (name, q.get('NAME'), q.tag,
                                        q.get('TYPE'), superclass, p.tag, p.get('TYPE')))
            self.check('%s: every class has its superclass\'s properties as declared' % ns, not problems,
                       '; '.join(problems[:5]))

    def is_key(self, ns, cls, prop):
        for q in prop.findall('QUALIFIER'):
            if q.get('NAME').lower() == 'key' and (q.findtext('VALUE') or '').upper() == 'TRUE':
                return True
        return False

    # -- instances and associations
    def instances_and_associations(self):
        seen = {}
        for ns in (ZUB, INTEROP):
            roots = ['CIM_ManagedElement']
            for name in (c.get('NAME') for c in self.c.value(ns, 'EnumerateClassNames').findall('CLASSNAME')):
                cls = self.get_class(ns, name)
                if any(q.get('NAME') == 'Association' for q in cls.findall('QUALIFIER')):
                    roots.append(name)
            for root in roots:
                for found in self.instances(ns, root):
                    seen.setdefault(path_key(ns, found[1]), found)
        self.check('instances: found %d' % len(seen), len(seen) > 20, len(seen))
        problems = {'values': [], 'keys': [], 'get': [], 'refs': [], 'ends': []}
        for key, (ns, name, instance) in seen.items():
            cls = self.get_class(ns, instance.get('CLASSNAME'))
            label = instance.get('CLASSNAME')
            props = properties(instance)
            for pname, (cimtype, values, _, _) in props.items():
                for v in values or []:
                    if bad_value(cimtype, v):
                        problems['values'].append('%s.%s %s "%s"' % (label, pname, cimtype, v))
            keys = {p.get('NAME').lower() for p in cls if p.tag.startswith('PROPERTY') and self.is_key(ns, cls, p)}
            bound = {k.get('NAME').lower(): k for k in name.findall('KEYBINDING')}
            if set(bound) != keys:
                problems['keys'].append('%s: path keys %s, class keys %s' % (label, sorted(bound), sorted(keys)))
            for k, binding in bound.items():
                kv = binding.find('KEYVALUE')
                if kv is not None and props.get(k, (None, None))[1] != [kv.text or '']:
                    problems['keys'].append('%s.%s: key "%s", property %s' % (label, k, kv.text,
                                                                              props.get(k, (0, 0))[1]))
            try:
                again = self.c.value(ns, 'GetInstance', p_name('InstanceName', name)).find('INSTANCE')
                if comparable(again) != comparable(instance):
                    problems['get'].append('%s: GetInstance differs from EnumerateInstances' % label)
            except CimError as e:
                problems['get'].append('%s: GetInstance %s' % (label, e))
            refs = [(k, v[3]) for k, v in props.items() if v[0] == 'reference' and v[3] is not None]
            for role, ref in refs:
                target_ns, target = reference_target(ref, ns)
                try:
                    self.c.value(target_ns, 'GetInstance', p_name('InstanceName', target))
                except CimError as e:
                    problems['refs'].append('%s.%s: %s' % (label, role, e))
                    continue
                # An end may be named by a general class (an alias) and
                # reached as its own: the keys say which instance it is.
                others = [path_key(*reference_target(r, ns))[::2] for k, r in refs if k != role]
                try:
                    ends = self.c.value(target_ns, 'AssociatorNames', p_name('ObjectName', target) +
                                        p_class('AssocClass', label) + p_value('Role', role))
                except CimError as e:
                    problems['ends'].append('%s from %s: %s' % (label, role, e))
                    continue
                reached = {path_key(namespace_of(p.find('NAMESPACEPATH')), p.find('INSTANCENAME'))[::2]
                           for p in ends.iter('INSTANCEPATH')}
                missing = [o for o in others if o not in reached]
                if missing:
                    problems['ends'].append('%s from %s misses %s' % (label, role, missing[0]))
        for what, text in (('values', 'every value has its declared type'),
                           ('keys', 'every path has its class\'s keys with the instance\'s values'),
                           ('get', 'GetInstance of every path gives the enumerated instance'),
                           ('refs', 'every reference of every association resolves'),
                           ('ends', 'each end of every association leads to the others')):
            self.check('instances: ' + text, not problems[what], '; '.join(problems[what][:5]))

    # -- pulled enumerations
    def pull(self, ns, op, params, pull_op):
        response = self.c.call(ns, op, params + p_value('MaxObjectCount', 0))
        got = []
        for _ in range(1000):
            end = response.find("PARAMVALUE[@NAME='EndOfSequence']/VALUE").text == 'TRUE'
            returned = response.find('IRETURNVALUE')
            if returned is not None:
                got += [ET.tostring(e, encoding='unicode') for e in returned]
            if end:
                return got
            context = response.find("PARAMVALUE[@NAME='EnumerationContext']/VALUE").text
            response = self.c.call(ns, pull_op, p_value('EnumerationContext', context) + p_value('MaxObjectCount', 7))
        raise RuntimeError('the enumeration did not end')

    def pulled(self):
        for ns in (ZUB, INTEROP):
            classes = [c.get('NAME') for c in self.c.value(ns, 'EnumerateClassNames', p_value('DeepInheritance', True))
                       .findall('CLASSNAME')]
            differ = []
            objects = 0
            for cls in classes:
                paths = self.pull(ns, 'OpenEnumerateInstancePaths', p_class('ClassName', cls), 'PullInstancePaths')
                names = self.c.value(ns, 'EnumerateInstanceNames', p_class('ClassName', cls)).findall('INSTANCENAME')
                if sorted(path_key(ns, ET.fromstring(p).find('INSTANCENAME')) for p in paths) != \
                        sorted(path_key(ns, n) for n in names):
                    differ.append('%s paths (%d pulled, %d enumerated)' % (cls, len(paths), len(names)))
                if not names:
                    continue
                whole = self.pull(ns, 'OpenEnumerateInstances', p_class('ClassName', cls), 'PullInstancesWithPath')
                objects += len(whole)
                if sorted(comparable(ET.fromstring(w).find('INSTANCE')) for w in whole) != \
                        sorted(comparable(i) for _, _, i in self.instances(ns, cls)):
                    differ.append('%s instances' % cls)
            self.check('%s: every class pulled in pieces of 7 = EnumerateInstances (%d classes, %d instances)' %
                       (ns, len(classes), objects), not differ, '; '.join(differ[:5]))
        system = self.instances(ZUB, 'CIM_ComputerSystem')[0][1]
        paths = self.pull(ZUB, 'OpenAssociatorInstancePaths', p_name('InstanceName', system), 'PullInstancePaths')
        names = self.c.value(ZUB, 'AssociatorNames', p_name('ObjectName', system)).findall('OBJECTPATH')
        self.check('pulled associator paths = AssociatorNames (%d)' % len(names), len(paths) == len(names))

    # -- errors and qualifiers
    def errors(self):
        disk = self.instances(ZUB, 'CIM_StorageExtent')[0][1]
        gone = ET.fromstring(ET.tostring(disk))
        for kv in gone.iter('KEYVALUE'):
            kv.text = 'no-such-' + (kv.text or '')
        cases = [
            ('unknown namespace', 'root/nowhere', 'EnumerateInstances', p_class('ClassName', 'CIM_ManagedElement'), 3),
            ('unknown class', ZUB, 'EnumerateInstances', p_class('ClassName', 'ZUB_NoSuchClass'), 5),
            ('GetClass of an unknown class', ZUB, 'GetClass', p_class('ClassName', 'ZUB_NoSuchClass'), 6),
            ('GetInstance of what is not there', ZUB, 'GetInstance', p_name('InstanceName', gone), 6),
            ('an unknown parameter', ZUB, 'EnumerateInstances',
             p_class('ClassName', 'CIM_ManagedElement') + p_value('Colour', 'red'), 4),
            ('an operation not supported', ZUB, 'ExecQuery', '', 7),
            ('CreateClass', ZUB, 'CreateClass', '', 7),
            ('a pull of no enumeration', ZUB, 'PullInstancesWithPath',
             p_value('EnumerationContext', 'none') + p_value('MaxObjectCount', 1), 21),
            ('a filtered enumeration', ZUB, 'OpenEnumerateInstances', p_class('ClassName', 'CIM_ManagedElement') +
             p_value('FilterQueryLanguage', 'DMTF:FQL') + p_value('FilterQuery', 'Name = "x"'), 25),
            ('GetQualifier of an unknown qualifier', ZUB, 'GetQualifier', p_value('QualifierName', 'NoSuch'), 6),
            ('GetProperty of an unknown property', ZUB, 'GetProperty',
             p_name('InstanceName', disk) + p_value('PropertyName', 'Colour'), 12),
        ]
        value = self.c.value(ZUB, 'GetProperty', p_name('InstanceName', disk) + p_value('PropertyName', 'DeviceID'))
        self.check('GetProperty gives the key\'s value', value.findtext('VALUE') ==
                   disk.find("KEYBINDING[@NAME='DeviceID']/KEYVALUE").text, ET.tostring(value, encoding='unicode'))
        for label, ns, op, params, code in cases:
            got = self.error_of(ns, op, params)
            self.check('error: %s answers %d' % (label, code), got == code, 'answered %d' % got)
        declared = {q.get('NAME').lower(): q for q in self.c.value(ZUB, 'EnumerateQualifiers').findall('QUALIFIER.DECLARATION')}
        wanted = {'key', 'association', 'abstract', 'valuemap', 'values', 'override', 'in', 'out', 'embeddedinstance'}
        self.check('qualifiers: the ones clients read are declared', wanted <= set(declared),
                   sorted(wanted - set(declared)))
        key = self.c.value(ZUB, 'GetQualifier', p_value('QualifierName', 'Key')).find('QUALIFIER.DECLARATION')
        self.check('qualifiers: Key is a boolean', key is not None and key.get('TYPE') == 'boolean')


def prop(name, cimtype, value):
    return '<PROPERTY NAME="%s" TYPE="%s"><VALUE>%s</VALUE></PROPERTY>' % (name, cimtype, escape(value))


def interop_ref(name, instancename):
    return ('<PROPERTY.REFERENCE NAME="%s"><VALUE.REFERENCE><LOCALINSTANCEPATH><LOCALNAMESPACEPATH>'
            '<NAMESPACE NAME="root"/><NAMESPACE NAME="interop"/></LOCALNAMESPACEPATH>%s</LOCALINSTANCEPATH>'
            '</VALUE.REFERENCE></PROPERTY.REFERENCE>' % (name, ET.tostring(instancename, encoding='unicode')))


def free_port():
    with socket.socket() as s:
        s.bind(('127.0.0.1', 0))
        return s.getsockname()[1]


class Subscriptions:
    """Subscriptions as a client makes them, on a server it started."""

    def __init__(self, checks, zubcim, url):
        self.checks, self.c, self.zubcim, self.url = checks, checks.c, zubcim, url

    def create(self, instance):
        return self.c.value(INTEROP, 'CreateInstance', '<IPARAMVALUE NAME="NewInstance">%s</IPARAMVALUE>' %
                            instance).find('INSTANCENAME')

    def subscribe(self, name, destination, more=''):
        query = self.create('<INSTANCE CLASSNAME="CIM_IndicationFilter">' + prop('Name', 'string', name) +
                            prop('Query', 'string', 'SELECT * FROM CIM_AlertIndication') +
                            prop('QueryLanguage', 'string', 'WQL') +
                            '<PROPERTY.ARRAY NAME="SourceNamespaces" TYPE="string"><VALUE.ARRAY><VALUE>%s</VALUE>'
                            '</VALUE.ARRAY></PROPERTY.ARRAY></INSTANCE>' % ZUB)
        return self.create('<INSTANCE CLASSNAME="CIM_IndicationSubscription">' + interop_ref('Filter', query) +
                           interop_ref('Handler', destination) + prop('SubscriptionState', 'uint16', '2') + more +
                           '</INSTANCE>')

    def state(self, subscription):
        """SubscriptionState of a subscription, or None when it is gone."""
        try:
            instance = self.c.value(INTEROP, 'GetInstance', p_name('InstanceName', subscription)).find('INSTANCE')
        except CimError as e:
            if e.code == 6:
                return None
            raise
        return properties(instance)['subscriptionstate'][1][0]

    def run(self):
        gone = self.create('<INSTANCE CLASSNAME="CIM_ListenerDestinationCIMXML">' +
                           prop('Name', 'string', 'gone') +
                           prop('Destination', 'string', 'http://127.0.0.1:%d' % free_port()) + '</INSTANCE>')
        brief = self.subscribe('brief', gone, prop('SubscriptionDuration', 'uint64', '1'))
        remaining = self.c.value(INTEROP, 'GetInstance', p_name('InstanceName', brief)).find(
            "INSTANCE/PROPERTY[@NAME='SubscriptionTimeRemaining']/VALUE")
        self.checks.check('a subscription for 1 s says how long it has left',
                          remaining is not None and remaining.text in ('0', '1'),
                          None if remaining is None else remaining.text)
        remove = self.subscribe('remove', gone, prop('OnFatalErrorPolicy', 'uint16', '4'))
        disable = self.subscribe('disable', gone, prop('OnFatalErrorPolicy', 'uint16', '3'))
        try:
            self.subscribe('seven', gone, prop('OnFatalErrorPolicy', 'uint16', '7'))
            refused = 0
        except CimError as e:
            refused = e.code
        self.checks.check('OnFatalErrorPolicy 7 is refused as a wrong parameter (4)', refused == 4, refused)
        time.sleep(2.2)
        self.checks.check('a subscription for 1 s is gone 2 s later', self.state(brief) is None)
        # An alert for a listener that is gone: after its tries the delivery
        # fails for good, and each subscription does as its policy says.
        subprocess.run([self.zubcim, 'sim', '--server', self.url, '{"op": "set_disk", "disk": 14, "state": 3}'],
                       check=True, stdout=subprocess.DEVNULL)
        deadline = time.monotonic() + 120
        while time.monotonic() < deadline and (self.state(remove) is not None or self.state(disable) != '4'):
            time.sleep(1)
        self.checks.check('OnFatalErrorPolicy Remove: the subscription is deleted', self.state(remove) is None)
        self.checks.check('OnFatalErrorPolicy Disable: the subscription is disabled (4)', self.state(disable) == '4',
                          self.state(disable))


def start_server(zubcim, topology_file=None, serve_options=(), who='cim-client-check'):
    """Starts `zubcim serve` on a free loopback port; returns the process and its URL."""
    command = [zubcim] + (['--topology', topology_file] if topology_file else [])
    command += ['serve', '--listen', '127.0.0.1:0'] + list(serve_options)
    server = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    line = server.stdout.readline()
    found = re.search(r'(https?://127\.0\.0\.1:\d+)', line)
    if not found:
        server.kill()
        sys.exit('%s: the server did not start (%r)' % (who, line))
    return server, found.group(1)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument('--zubcim', default=os.path.join(ROOT, 'build', 'bin', 'zubcim'))
    parser.add_argument('--url', help='a running server to check instead (http://host:port)')
    parser.add_argument('--work', default=None, help='folder for the topology file (default: a temporary one)')
    args = parser.parse_args()

    server = None
    url = args.url
    if not url:
        import tempfile
        work = args.work or tempfile.mkdtemp(prefix='cim-client-check-')
        topology = os.path.join(work, 'topology.json')
        with open(topology, 'w') as f:
            f.write(TOPOLOGY)
        server, url = start_server(args.zubcim, topology)
    started = time.monotonic()
    checks = Checks(Client(url))
    try:
        steps = [checks.discovery, checks.schema, checks.instances_and_associations, checks.pulled, checks.errors]
        if server:  # changes the server's state: only on the one it started
            steps.append(Subscriptions(checks, args.zubcim, url).run)
        for step in steps:
            try:
                step()
            except (CimError, urllib.error.URLError, AttributeError, IndexError, KeyError, RuntimeError,
                    subprocess.CalledProcessError) as e:
                checks.check(step.__name__, False, 'stopped: %r' % e)
    finally:
        if server:
            server.terminate()
            server.wait()
    print('cim-client-check: %d passed, %d failed (%d requests, %.1f s)' %
          (checks.passed, checks.failed, checks.c.calls, time.monotonic() - started))
    return 1 if checks.failed else 0


if __name__ == '__main__':
    sys.exit(main())

#!/usr/bin/env python3
"""Checks the served CIM schema (host/cim/schema/*.mof, compiled into the
binary) against DMTF's CIM schema 2.49 as released (the MOF zip).

    tools/schema/check-dmtf.py --zip cim_schema_2.49.0Final-MOFs.zip [--tool build/bin/zub_dmtf_check]

Unpacks the zip into a temporary folder and runs zub_dmtf_check on its index
file, which prints one line per difference and a summary line. Exit codes:
0 no difference, 1 differences, 2 the check could not run (no tool, a zip
without the index, a schema that does not read), 77 no zip at the path (the
ctest test DmtfSchemaCheck then counts as skipped).
"""
import argparse
import os
import subprocess
import sys
import tempfile
import zipfile

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument('--zip', required=True, help="DMTF's CIM schema MOF zip")
    parser.add_argument('--tool', default=os.path.join(ROOT, 'build', 'bin', 'zub_dmtf_check'),
                        help='the built zub_dmtf_check (default: build/bin/zub_dmtf_check)')
    args = parser.parse_args()

    if not os.path.isfile(args.zip):
        print(f'SKIPPED: DMTF schema zip not found at {args.zip} (pass --zip)')
        return 77
    if not os.path.isfile(args.tool):
        print(f'check-dmtf: {args.tool} not found: build target zub_dmtf_check, or pass --tool', file=sys.stderr)
        return 2
    with tempfile.TemporaryDirectory(prefix='dmtf-') as tmp:
        try:
            with zipfile.ZipFile(args.zip) as archive:
                archive.extractall(tmp)
        except (zipfile.BadZipFile, OSError) as error:
            print(f'check-dmtf: cannot unpack {args.zip}: {error}', file=sys.stderr)
            return 2
        # The index is cim_schema_VERSION.mof, at the top or one folder down.
        index = None
        for dirpath, dirs, files in os.walk(tmp):
            dirs.sort()
            found = sorted(f for f in files if f.startswith('cim_schema_') and f.endswith('.mof'))
            if found:
                index = os.path.join(dirpath, found[0])
                break
        if index is None:
            print(f'check-dmtf: {args.zip} holds no cim_schema_*.mof index', file=sys.stderr)
            return 2
        result = subprocess.run([args.tool, index])
    return result.returncode if result.returncode in (0, 1) else 2


if __name__ == '__main__':
    sys.exit(main())

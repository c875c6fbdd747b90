#!/usr/bin/python3
"""Re-runs one data generator into a temporary folder and compares its output
with the committed files.

Usage: regenerate.py GENERATOR RESOURCES_DIR
GENERATOR is names, html, characters or layouts. Exits 77 (skipped) when the
generator's sources are not at hand ($RUNEBOX_UNICODE_SOURCES or .scratch/).
"""

import os
import shutil
import struct
import sys
import tempfile
import zlib

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "tools", "data"))

import gen_characters  # noqa: E402
import gen_html  # noqa: E402
import gen_layouts  # noqa: E402
import gen_names  # noqa: E402
import unidata  # noqa: E402

SKIP = 77
GENERATORS = {
    "names": gen_names,
    "html": gen_html,
    "characters": gen_characters,
    "layouts": gen_layouts,
}


def expanded_names(data):
    size = struct.unpack(">I", data[:4])[0]
    body = zlib.decompress(data[4:])
    return size, body


def same(rel, new, old):
    if new == old:
        return True
    if rel == gen_names.NAMES_FILE:
        # Another zlib build may compress differently; what counts is the
        # stated size and the expanded records.
        try:
            if expanded_names(new) == expanded_names(old):
                print(f"note: {rel}: same records, different compressed bytes")
                return True
        except (zlib.error, struct.error):
            pass
    return False


def main(argv):
    if len(argv) != 2 or argv[0] not in GENERATORS:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    module = GENERATORS[argv[0]]
    resources = os.path.abspath(argv[1])

    sources = None
    if module.generate.needs_sources:
        source_dir = unidata.find_source_dir()
        if not source_dir:
            print("sources not found ($RUNEBOX_UNICODE_SOURCES, .scratch/): skipped")
            return SKIP
        if not shutil.which("node") or not os.path.isdir(unidata.DEBIAN_UCD):
            print("node or Debian's unicode-data missing: skipped")
            return SKIP
        sources = unidata.Sources(source_dir)

    out = tempfile.mkdtemp(prefix="runebox-regenerate-")
    try:
        if sources:
            with sources:
                written = module.generate(sources, out)
        else:
            written = module.generate(None, out)
        failures = 0
        folders = set()
        for path in written:
            rel = os.path.relpath(path, out)
            folders.add(os.path.dirname(rel))
            committed = os.path.join(resources, rel)
            with open(path, "rb") as f:
                new = f.read()
            try:
                with open(committed, "rb") as f:
                    old = f.read()
            except FileNotFoundError:
                print(f"FAIL {rel}: generated but not committed")
                failures += 1
                continue
            if same(rel, new, old):
                print(f"ok   {rel} ({len(new)} bytes)")
            else:
                print(f"FAIL {rel}: differs from the committed file (regenerate with tools/data/generate-all)")
                failures += 1
        # A generated folder holds nothing but what the generator writes.
        for folder in sorted(f for f in folders if f):
            generated = set(os.listdir(os.path.join(out, folder)))
            committed = set(os.listdir(os.path.join(resources, folder)))
            for extra in sorted(committed - generated):
                print(f"FAIL {os.path.join(folder, extra)}: committed but no longer generated")
                failures += 1
        return 1 if failures else 0
    finally:
        shutil.rmtree(out, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))

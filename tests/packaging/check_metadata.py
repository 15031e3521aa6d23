#!/usr/bin/env python3
"""Checks the files that hook the editor into a desktop, as they stand in the source tree.

The desktop entry and the metainfo go through their validators, which must report nothing at all;
the thumbnailer entry, which no validator reads, is checked key by key. The files must also agree
with each other: one MIME type everywhere, the metainfo's launchable naming the desktop entry, and
its newest release matching the version being built.

Usage: check_metadata.py RESOURCES_FOLDER VERSION RELEASE_DATE
"""
import configparser
import os
import subprocess
import sys
import xml.etree.ElementTree as ET

MIME_NS = "{http://www.freedesktop.org/standards/shared-mime-info}"

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)


def run_validator(command):
    result = subprocess.run(command, capture_output=True, text=True)
    output = (result.stdout + result.stderr).strip()
    # appstreamcli ends even a clean run with a line of its verdict.
    remarks = [line for line in output.splitlines()
               if line.strip() and not line.startswith("✔ Validation was successful")]
    check(result.returncode == 0 and not remarks,
          "%s reported (exit %d):\n%s" % (" ".join(command), result.returncode, output))


def read_entry(path, group):
    parser = configparser.ConfigParser(interpolation=None, strict=True)
    parser.optionxform = str  # keys are case-sensitive
    with open(path, encoding="utf-8") as f:
        parser.read_file(f)
    check(parser.sections()[:1] == [group], "%s: the first group is not [%s]" % (path, group))
    return parser[group] if parser.has_section(group) else {}


def semicolon_list(value):
    return [item for item in value.split(";") if item]


def main():
    resources, version, release_date = sys.argv[1:4]
    desktop_path = os.path.join(resources, "skarvel.desktop")
    thumbnailer_path = os.path.join(resources, "skarvel.thumbnailer")
    metainfo_names = [name for name in os.listdir(resources) if name.endswith(".metainfo.xml")]
    check(len(metainfo_names) == 1, "expected one metainfo file, found %s" % metainfo_names)
    metainfo_path = os.path.join(resources, metainfo_names[0])

    mime_types = [node.get("type") for node in
                  ET.parse(os.path.join(resources, "skarvel-mime.xml")).getroot().iter(MIME_NS + "mime-type")]
    check(len(mime_types) == 1, "expected one MIME type, found %s" % mime_types)

    run_validator(["desktop-file-validate", desktop_path])
    desktop = read_entry(desktop_path, "Desktop Entry")
    check(semicolon_list(desktop.get("MimeType", "")) == mime_types,
          "the desktop entry's MimeType is not %s" % mime_types)

    thumbnailer = read_entry(thumbnailer_path, "Thumbnailer Entry")
    check(sorted(thumbnailer.keys()) == ["Exec", "MimeType", "TryExec"],
          "the thumbnailer has keys %s, expected Exec, MimeType and TryExec" % sorted(thumbnailer.keys()))
    program = thumbnailer.get("TryExec", "")
    exec_words = thumbnailer.get("Exec", "").split()
    check(program == "skarvel-cli", "the thumbnailer's TryExec is %r, not skarvel-cli" % program)
    check(exec_words[:2] == [program, "thumbnail"], "the thumbnailer's Exec does not run %s thumbnail" % program)
    for code in ("%i", "%o", "%s"):
        check(exec_words.count(code) == 1, "the thumbnailer's Exec passes %s %d times" % (code, exec_words.count(code)))
    check(semicolon_list(thumbnailer.get("MimeType", "")) == mime_types,
          "the thumbnailer's MimeType is not %s" % mime_types)

    run_validator(["appstreamcli", "validate", "--no-net", "--pedantic", metainfo_path])
    component = ET.parse(metainfo_path).getroot()
    check(metainfo_names[0] == component.findtext("id") + ".metainfo.xml",
          "the metainfo file is not named after its id %s" % component.findtext("id"))
    check([node.text for node in component.iter("launchable")] == [os.path.basename(desktop_path)],
          "the metainfo's launchable is not %s" % os.path.basename(desktop_path))
    check([node.text for node in component.iter("mediatype")] == mime_types,
          "the metainfo does not provide the MIME type %s" % mime_types)
    releases = component.findall("releases/release")
    newest = (releases[0].get("version"), releases[0].get("date")) if releases else None
    check(newest == (version, release_date),
          "the metainfo's newest release is %s, expected version %s of %s" % (newest, version, release_date))

    for failure in failures:
        print("FAIL:", failure)
    print("%d problem(s)" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())

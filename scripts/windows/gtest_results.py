#!/usr/bin/env python3
"""Judges one GoogleTest suite by the XML it wrote: prints its counts, every skipped test
with its reason and every failed test with its first message; fails when a test failed,
when no test ran, or when there are no results."""
import sys
import xml.etree.ElementTree as ET


def main(xml_path, suite, seconds):
    try:
        root = ET.parse(xml_path).getroot()
    except (OSError, ET.ParseError) as e:
        print(f"{suite}: no results ({e}); the program died or ran out of time ({seconds} s)")
        return 1
    passed, failed, skipped = [], [], []
    for case in root.iter("testcase"):
        name = f"{case.get('classname')}.{case.get('name')}"
        failure = case.find("failure")
        skip = case.find("skipped")
        if failure is not None:
            failed.append((name, (failure.get("message") or "").splitlines()[:3]))
        elif skip is not None or case.get("result") == "skipped" or case.get("status") == "notrun":
            skipped.append((name, (skip.get("message") if skip is not None else "") or "disabled"))
        else:
            passed.append(name)
    print(f"{suite}: {len(passed)} passed, {len(failed)} failed, {len(skipped)} skipped ({seconds} s)")
    for name, reason in skipped:
        reason = " ".join(reason.split())
        print(f"   skipped {name}: {reason}")
    for name, lines in failed:
        print(f"   FAILED {name}: {' | '.join(lines)}")
    return 1 if failed or not passed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2], sys.argv[3]))

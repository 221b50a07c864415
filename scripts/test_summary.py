#!/usr/bin/env python3
"""The closing lines of a test run, read from the JUnit file that ctest
writes: how many tests passed, failed and were skipped; which were skipped
and why, as each said on a line of its output starting with "skipped: ";
and, where no run of the 32-bit programs was executed, a line saying so.

    test_summary.py RESULTS.xml
"""

import sys
import xml.etree.ElementTree as ElementTree

# The runs of the 32-bit programs under Wine (tests/wine/CMakeLists.txt).
THIRTY_TWO_BIT = "windows.wine32."


def skip_reason(case):
    said = [line for line in (case.findtext("system-out") or "").splitlines() if line.startswith("skipped: ")]
    return said[-1].removeprefix("skipped: ") if said else case.find("skipped").get("message")


def main():
    cases = ElementTree.parse(sys.argv[1]).getroot().iter("testcase")
    passed, failed, skipped = [], [], []
    for case in cases:
        if case.find("failure") is not None or case.get("status") == "fail":
            failed.append(case)
        elif case.find("skipped") is not None:
            skipped.append(case)
        else:
            passed.append(case)
    print(f"ctest: {len(passed)} passed, {len(failed)} failed, {len(skipped)} skipped")
    # The tests skipped for each reason, in the order the reasons first came.
    by_reason = {}
    for case in skipped:
        by_reason.setdefault(skip_reason(case), []).append(case.get("name"))
    print("skipped: " + ("; ".join(f"{', '.join(names)} ({reason})" for reason, names in by_reason.items())
                         if by_reason else "none"))
    thirty_two_bit = [case for case in passed + failed + skipped if case.get("name").startswith(THIRTY_TWO_BIT)]
    if thirty_two_bit and all(case in skipped for case in thirty_two_bit):
        print(f"The 32-bit programs were not executed: {skip_reason(thirty_two_bit[0])}")


if __name__ == "__main__":
    main()

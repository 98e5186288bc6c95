#!/usr/bin/env python3
"""Prints the slowest tests of a ctest run from its JUnit file (ctest --output-junit).

    slowest-tests.py RESULTS.xml [COUNT]

Each line: the seconds, the test's status and its name; then the run's total seconds of
test time (the sum over the tests, more than the run took where they ran side by side).
"""
import sys
import xml.etree.ElementTree as ElementTree


def main():
    path = sys.argv[1]
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 10
    try:
        cases = ElementTree.parse(path).getroot().iter("testcase")
    except (OSError, ElementTree.ParseError) as error:
        print(f"no test times: {error}")
        return 0
    tests = []
    for case in cases:
        status = "passed" if case.get("status", "run") == "run" else case.get("status")
        if case.find("failure") is not None:
            status = "failed"
        elif case.find("skipped") is not None:
            status = "skipped"
        tests.append((float(case.get("time", "0")), status, case.get("name", "?")))
    tests.sort(reverse=True)
    print(f"The {min(count, len(tests))} slowest of {len(tests)} tests:")
    for seconds, status, name in tests[:count]:
        print(f"{seconds:9.1f} s  {status:8} {name}")
    print(f"{sum(t[0] for t in tests):9.1f} s  in all")
    return 0


if __name__ == "__main__":
    sys.exit(main())

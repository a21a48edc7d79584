# Summary of one kind's Wine scenario run from gtest's JSON reports (and, for the skip reasons,
# which the reports lack, the output beside each as NAME.log): the counts, each skipped scenario
# with its reason and each failed one with its messages. Exits 1 when any failed or a report is
# missing. Usage: python3 wine-summary.py KIND REPORT.json...
import json
import re
import sys

kind, reports = sys.argv[1], sys.argv[2:]
passed, skipped, failed, missing = [], [], [], 0
reasons = {}
for report in reports:
    try:
        with open(report[: -len(".json")] + ".log", encoding="utf-8", errors="replace") as file:
            for reason, name in re.findall(r"Skipped\n(.*?)\n\[  SKIPPED \] (\S+) \(", file.read()):
                reasons[name] = reason.strip()
    except OSError:
        pass
for report in reports:
    try:
        with open(report, encoding="utf-8") as file:
            suites = json.load(file)["testsuites"]
    except (OSError, ValueError):
        missing += 1
        continue
    for suite in suites:
        for test in suite["testsuite"]:
            name = suite["name"] + "." + test["name"]
            failures = [f["failure"] for f in test.get("failures", [])]
            if failures:
                failed.append((name, failures))
            elif test.get("result") == "SKIPPED":
                skipped.append((name, reasons.get(name, "(no reason shown)")))
            elif test.get("result") == "COMPLETED":
                passed.append(name)

print(f"== {kind}: {len(passed)} passed, {len(skipped)} skipped, {len(failed)} failed")
for name, reason in skipped:
    print(f"  skipped {name}: {reason}")
for name, failures in failed:
    print(f"  FAILED {name}")
    for failure in failures:
        print("    " + failure.replace("\n", "\n    "))
if missing:
    print(f"  {missing} report(s) missing: the test program did not finish")
sys.exit(1 if failed or missing or not passed else 0)

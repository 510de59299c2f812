#!/usr/bin/python3
"""check-log.py on made-up log panes: a late reply or two in a group pass and are noted; a late
measuring, an early one, three late replies in a group or one far too late fail. With --fastest
it names the group of the lowest average, also when a late reply makes it another than group 2.
Usage: check-log-test.py (needs iconv, as check-log.py does)."""
import os
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
GROUPS = ["55-120", "10-75", "35-100"]  # the e2e runs' delays: 60, 15 and 40 ms
TYPICAL = [62, 21, 42, 65, 19, 41, 61, 16, 41, 61, 18, 50, 62, 16, 51]


def with_times(changes):
    times = list(TYPICAL)
    for line, value in changes.items():
        times[line - 2] = value  # log line 2 is the first attempt
    return times


CASES = [
    # name, the attempts' times, passes, a note expected
    ("typical run", TYPICAL, True, False),
    ("one late reply in group 1", with_times({11: 148}), True, True),
    ("one late reply in two groups each", with_times({5: 130, 16: 130}), True, True),
    ("two late replies in one group", with_times({11: 148, 14: 130}), True, True),
    ("three late replies in one group", with_times({8: 130, 11: 148, 14: 130}), False, False),
    ("two late replies and one far too late", with_times({8: 130, 11: 148, 14: 330}), False, False),
    ("a reply later than the margin", with_times({16: 301}), False, False),
    ("a time below the network delay", with_times({16: 34}), False, False),
    ("the pause counted in every attempt", [t + 1000 for t in TYPICAL], False, False),
]

FASTEST_CASES = [
    # name, the attempts' times, the group named ("" when none may be)
    ("typical run", TYPICAL, "2"),
    # 19, 24, 157, 24, 24 average 49.6 ms; group 3's 42, 41, 41, 50, 51 average 45.0 ms.
    ("a late reply lifts group 2 above group 3", with_times({3: 19, 6: 24, 9: 157, 12: 24, 15: 24}), "3"),
    ("equal sums: the lower group", with_times({3: 45, 6: 41, 9: 41, 12: 50, 15: 48}), "2"),
    ("a failed attempt", TYPICAL[:4] + [None] + TYPICAL[5:], ""),
]


def log_pane(times):
    names = "一二三"
    lines = [""]
    for index, time in enumerate(times):
        attempt, group = divmod(index, 3)
        result = "失败" if time is None else f"成功(耗时{time}毫秒)"
        lines.append(f"正在尝试连接第{names[group]}组服务器(第{attempt + 1}次)...{result}")
    lines.append("优化完成")
    return "\r\n".join(lines).encode("gbk")


def main():
    failed = 0
    with tempfile.TemporaryDirectory() as work:
        path = os.path.join(work, "log")
        for name, times, passes, note in CASES:
            with open(path, "wb") as f:
                f.write(log_pane(times))
            result = subprocess.run([sys.executable, os.path.join(HERE, "check-log.py"), path,
                                     "优化完成", *GROUPS], capture_output=True, text=True)
            got_note = "late attempts a group are allowed" in result.stdout
            if (result.returncode == 0) != passes or got_note != note:
                failed += 1
                print(f"FAIL {name}: status {result.returncode}, output:\n{result.stdout}")
            else:
                print(f"ok: {name}")
        for name, times, group in FASTEST_CASES:
            with open(path, "wb") as f:
                f.write(log_pane(times))
            result = subprocess.run([sys.executable, os.path.join(HERE, "check-log.py"),
                                     "--fastest", path], capture_output=True, text=True)
            named = result.stdout.strip() if result.returncode == 0 else ""
            if named != group:
                failed += 1
                print(f"FAIL --fastest, {name}: status {result.returncode}, output:\n{result.stdout}")
            else:
                print(f"ok: --fastest, {name}")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/python3
"""Checks the bytes of a finished run's log pane, line by line.

Usage: check-log.py LOG OUTCOME G1 G2 G3 [LINE...]
       check-log.py --fastest LOG
  LOG      the pane's bytes (GBK)
  OUTCOME  the expected line after the attempts (UTF-8 text)
  Gn       what group n's five attempts show: "fail", or "MIN-MAX" for successes whose
           times in milliseconds lie in that range. No time may be below MIN: a reply comes no
           sooner than the network delays it. Up to LATE_ALLOWED of the five may be above MAX,
           by at most LATE_MARGIN ms: tests run beside each other, and now and then a reply
           waits that long for the processor; a fault in the measuring shows in every attempt.
  LINE     a line expected after OUTCOME (UTF-8 text)
The pane must hold an empty first line, the fifteen attempts in order (passes 1 to 5, groups
one, two, three), then OUTCOME, then the LINEs, and nothing else. Expected texts are encoded with iconv, not
with the program's own constants. Prints what differs and exits 1.
With --fastest, prints the number (1 to 3) of the group whose five shown times have the lowest
average, the group the program must then have applied: a late reply can lift the delays' fastest
group above another. Exits 1 unless all fifteen attempts show a success.
"""
import re
import subprocess
import sys

GROUP_NAMES = ["一", "二", "三"]
LATE_ALLOWED = 2
LATE_MARGIN = 200


def gbk(text):
    return subprocess.run(["iconv", "-f", "UTF-8", "-t", "GBK"], input=text.encode(),
                          capture_output=True, check=True).stdout


def show(line):
    return line.decode("gbk", errors="replace")


def check_result(result, expected, where, problems):
    """The attempt's time in ms when expected is a range and the result a success, else None."""
    if expected == "fail":
        if result != gbk("失败"):
            problems.append(f"{where}: result {show(result)!r}, expected 失败")
        return None
    if result == gbk("成功(耗时小于1毫秒)"):
        return 0
    match = re.fullmatch(re.escape(gbk("成功(耗时")) + rb"([1-9][0-9]*)" + re.escape(gbk("毫秒)")),
                         result)
    if not match:
        problems.append(f"{where}: result {show(result)!r} is not a success text")
        return None
    return int(match.group(1))


def check_times(times, expected, problems):
    """times: (where, ms) of one group's attempts, checked against expected "MIN-MAX"."""
    low, high = (int(v) for v in expected.split("-"))
    late = [time for _, time in times if time > high]
    allowed = len(late) <= LATE_ALLOWED and max(late, default=0) <= high + LATE_MARGIN
    for where, time in times:
        if time < low or (time > high and not allowed):
            problems.append(f"{where}: {time} ms, expected {low} to {high} ms")
        elif time > high:
            print(f"note: {where}: {time} ms, above {high} ms; "
                  f"{LATE_ALLOWED} late attempts a group are allowed")


def fastest(log_path):
    lines = open(log_path, "rb").read().split(b"\r\n")
    sums = [0, 0, 0]
    for index in range(15):
        attempt, group = divmod(index, 3)
        heading = gbk(f"正在尝试连接第{GROUP_NAMES[group]}组服务器(第{attempt + 1}次)...")
        line = lines[1 + index] if 1 + index < len(lines) else b""
        time = check_result(line[len(heading):], "success", f"line {2 + index}", [])
        if not line.startswith(heading) or time is None:
            print(f"line {2 + index}: {show(line)!r} is not a success of group {group + 1}")
            return 1
        sums[group] += time
    # Equal sums: the lower group number is in front, as in the program.
    print(1 + sums.index(min(sums)))
    return 0


def main():
    if sys.argv[1] == "--fastest":
        return fastest(sys.argv[2])
    log_path, outcome, *groups = sys.argv[1:6]
    after = sys.argv[6:]
    log = open(log_path, "rb").read()
    lines = log.split(b"\r\n")
    problems = []
    if len(lines) != 17 + len(after):
        problems.append(f"{len(lines)} lines, expected {17 + len(after)} (empty, 15 attempts, outcome"
                        f"{', then ' + ', '.join(after) if after else ''})")
    elif lines[0] != b"":
        problems.append(f"first line {show(lines[0])!r}, expected empty")
    else:
        times = [[], [], []]
        for index in range(15):
            attempt, group = divmod(index, 3)
            line = lines[1 + index]
            heading = gbk(f"正在尝试连接第{GROUP_NAMES[group]}组服务器(第{attempt + 1}次)...")
            where = f"line {2 + index}"
            if not line.startswith(heading):
                problems.append(f"{where}: {show(line)!r} does not start with {show(heading)!r}")
                continue
            time = check_result(line[len(heading):], groups[group], where, problems)
            if time is not None:
                times[group].append((where, time))
        for group, expected in enumerate(groups):
            if expected != "fail":
                check_times(times[group], expected, problems)
        for number, (line, text) in enumerate(zip(lines[16:], [outcome] + after), start=17):
            if line != gbk(text):
                problems.append(f"line {number}: {show(line)!r}, expected {text!r}")
    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())

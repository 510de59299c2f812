#!/usr/bin/python3
"""Checks what a screen reader is told about the window: the listing of ReadAccessible.exe
against the window's facts from DescribeWindow.exe.

  check-accessible.py LISTING DESCRIBE

- the start button's name says what it does ("启动网络优化"), the restore button's is "恢复";
- the log pane (the object within control 1001's place) is named "运行日志";
- "运行日志", the three steps and the hint are each the name of an object that lies inside the
  client area and covers none of the three controls, so it catches no click meant for them.
  (That they take no focus is their template's style; Wine's oleacc calls every enabled window
  focusable, so the state would not tell.)
Prints each finding; exits 1 when one fails.
"""
import sys

START, RESTORE, LOG = "启动网络优化", "恢复", "运行日志"
TEXTS = [LOG, "测量三组服务器线路的延迟", "比较五轮测速的平均时间", "把最快的线路写入 HOSTS",
         "提示：测速约需半分钟，其间窗口暂不响应"]


def read_listing(path):
    objects = []
    for line in open(path, encoding="utf-8"):
        fields = line.rstrip("\r\n").split("\t")
        if len(fields) != 8 or fields[0] != "object":
            continue
        _, where, role, state, place, name, value, description = fields
        objects.append({"path": where, "role": role, "state": int(state, 16) if state != "-" else 0,
                        "place": tuple(int(v) for v in place.split(",")), "name": name,
                        "value": value, "description": description})
    return objects


def read_describe(path):
    client, controls = None, {}
    for line in open(path, encoding="utf-8"):
        fields = line.split()
        if fields[:1] == ["client"] and len(fields) == 5:
            client = tuple(int(v) for v in fields[1:])
        elif fields[:1] == ["control"] and len(fields) == 7:
            x, y, w, h = (int(v) for v in fields[2:6])
            controls[int(fields[1])] = (x, y, w, h)
    return client, controls


def on_screen(client, rect):
    """A client-area rectangle (x, y, w, h) in screen coordinates."""
    return client[0] + rect[0], client[1] + rect[1], rect[2], rect[3]


def overlaps(a, b):
    return a[0] < b[0] + b[2] and b[0] < a[0] + a[2] and a[1] < b[1] + b[3] and b[1] < a[1] + a[3]


def inside(a, b):
    return b[0] <= a[0] and b[1] <= a[1] and a[0] + a[2] <= b[0] + b[2] and a[1] + a[3] <= b[1] + b[3]


def main():
    objects = read_listing(sys.argv[1])
    client, controls = read_describe(sys.argv[2])
    problems = []

    def expect(ok, what):
        print(("ok: " if ok else "FAIL: ") + what)
        if not ok:
            problems.append(what)

    children = [o for o in objects if o["path"] != "client"]
    expect(bool(children), f"the dialog's accessible object has children ({len(children)})")
    if client is None or not all(i in controls for i in (1000, 1001, 1002)):
        expect(False, "the window's client area and its three controls are described")
        return 1
    places = {i: on_screen(client, controls[i]) for i in (1000, 1001, 1002)}
    # A control's object may give its client area, inside its border.
    at = {i: [o for o in children if inside(o["place"], places[i])] for i in places}

    expect(any(START in o["name"] for o in at[1000]), f"the start button is named \"{START}\"")
    expect(any(o["name"] == RESTORE for o in at[1002]), f"the restore button is named \"{RESTORE}\"")
    expect(any(o["name"] == LOG for o in at[1001]), f"the log pane is named \"{LOG}\"")

    area = (client[0], client[1], client[2], client[3])
    for text in TEXTS:
        labels = [o for o in children if o["name"] == text and not any(o in at[i] for i in at)]
        expect(bool(labels), f"\"{text}\" is told as an object's name")
        for o in labels:
            expect(inside(o["place"], area), f"  \"{text}\" lies in the client area ({o['place']})")
            expect(not any(overlaps(o["place"], p) for p in places.values()),
                   f"  \"{text}\" covers none of the controls")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())

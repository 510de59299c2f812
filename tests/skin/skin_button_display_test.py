#!/usr/bin/python3
"""Drives the test dialog's skinned buttons with the real mouse (xdotool) in a virtual display
and checks what the screen shows and which commands the dialog receives.

Usage: skin_button_display_test.py SKIN_BUTTON_WINDOW.exe RES_DIR WORK_DIR
(DISPLAY and WINEPREFIX set by the caller.)
"""
import io
import os
import subprocess
import sys
import time
from pathlib import Path

from PIL import Image, ImageChops

START, RESTORE = 1000, 1002
PICTURES = {
    132: "start_normal.bmp", 134: "start_hover.bmp", 135: "start_pressed.bmp",
    138: "restore_normal.bmp", 139: "restore_hover.bmp",
}


class Failure(Exception):
    pass


class Dialog:
    def __init__(self, exe, res, work):
        self.log = work / "log.txt"
        self.commands = work / "commands.txt"
        self.commands.write_text("")
        self.pictures = {n: Image.open(res / name).convert("RGB") for n, name in PICTURES.items()}
        self.process = subprocess.Popen(
            ["timeout", "-k", "5", "150", os.environ["TIROX_WINE"], str(exe), "Z:" + str(self.log), "Z:" + str(self.commands)],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.pings = 0
        self.wait_for(lambda: "ready" in self.lines() or "error" in " ".join(self.lines()), 60, "the dialog")
        if any(line.startswith("error") for line in self.lines()):
            raise Failure(self.lines())
        self.base = None
        self.client = {}   # id -> (left, top, width, height, template left, template top)
        self.screen = {}   # id -> (left, top)
        for line in self.lines():
            words = line.split()
            if words[0] == "base":
                self.base = (int(words[1]), int(words[2]))
            elif words[0] == "button":
                self.client[int(words[1])] = tuple(int(w) for w in words[2:])
            elif words[0] == "screen":
                self.screen[int(words[1])] = (int(words[2]), int(words[3]))
        left, top = self.screen[START]
        self.origin = (left - self.client[START][0], top - self.client[START][1])

    def lines(self):
        return self.log.read_text().splitlines() if self.log.exists() else []

    def clicks(self):
        """Every WM_COMMAND the dialog received, as (id, notification code)."""
        return [tuple(int(w) for w in line.split()[1:]) for line in self.lines() if line.startswith("command")]

    @staticmethod
    def wait_for(condition, seconds, what):
        deadline = time.monotonic() + seconds
        while not condition():
            if time.monotonic() > deadline:
                raise Failure("timed out waiting for " + what)
            time.sleep(0.05)

    def command(self, text):
        """Has the dialog carry out a line and waits until it has."""
        with self.commands.open("a") as f:
            f.write(text + "\n")
        self.wait_for(lambda: "done " + text in self.lines(), 10, text)

    def settle(self):
        """Lets queued input reach the dialog before its effects are checked."""
        time.sleep(0.4)
        self.pings += 1
        self.command("ping %d" % self.pings)

    def point(self, nID, dx=None, dy=None):
        """A screen point of a button: its centre, or (dx, dy) from its top-left corner."""
        left, top = self.screen[nID]
        width, height = self.client[nID][2:4]
        return left + (width // 2 if dx is None else dx), top + (height // 2 if dy is None else dy)

    def away(self):
        """A point inside the dialog but over neither button."""
        return self.origin[0] + 100, self.origin[1] + 30

    def region(self, nID):
        shot = subprocess.run(["import", "-window", "root", "ppm:-"], check=True, capture_output=True).stdout
        left, top = self.screen[nID]
        width, height = self.client[nID][2:4]
        return Image.open(io.BytesIO(shot)).convert("RGB").crop((left, top, left + width, top + height))

    def shows(self, nID):
        """The picture number that the button shows now, or None."""
        region = self.region(nID)
        for number, picture in self.pictures.items():
            if picture.size == region.size and ImageChops.difference(picture, region).getbbox() is None:
                return number
        return None

    def expect_image(self, nID, numbers, what):
        """Waits until the button shows the picture (or one of the pictures) numbers."""
        numbers = numbers if isinstance(numbers, tuple) else (numbers,)
        deadline = time.monotonic() + 5
        while (seen := self.shows(nID)) not in numbers:
            if time.monotonic() > deadline:
                raise Failure("%s: button %d shows %s, expected picture %s" % (what, nID, seen, numbers))
            time.sleep(0.1)

    def expect_clicks(self, expected, what):
        self.settle()
        if self.clicks() != expected:
            raise Failure("%s: commands %s, expected %s" % (what, self.clicks(), expected))

    def close(self):
        try:
            self.command("quit")
            self.process.wait(timeout=20)
        finally:
            if self.process.poll() is None:
                self.process.kill()


def xdo(*args):
    subprocess.run(["xdotool", *[str(a) for a in args]], check=True)


def move(point):
    xdo("mousemove", *point)


def check_layout(d):
    print("dialog base units: %d x %d" % d.base)
    for nID, size in ((START, (88, 88)), (RESTORE, (79, 12))):
        left, top, width, height, tleft, ttop = d.client[nID]
        if (width, height) != size or (left, top) != (tleft, ttop):
            raise Failure("button %d is %dx%d at (%d,%d); expected %dx%d at its template position (%d,%d)"
                          % (nID, width, height, left, top, *size, tleft, ttop))
    d.expect_image(START, 132, "at start")
    d.expect_image(RESTORE, 138, "at start")


def check_mouse(d):
    clicks = []
    move(d.away())
    move(d.point(START))
    d.expect_image(START, 134, "pointer over the start button")
    move(d.away())
    d.expect_image(START, 132, "pointer gone again")

    move(d.point(START))
    xdo("mousedown", 1)
    d.expect_image(START, 135, "left button held over it")
    xdo("mouseup", 1)
    clicks.append((START, 0))
    d.expect_clicks(clicks, "press and release inside")
    # Releasing the capture makes the platform send a mouse move, which may show hover at once.
    d.expect_image(START, (132, 134), "after the click")
    move(d.point(START, 30, 30))
    d.expect_image(START, 134, "next move after the click")

    xdo("mousedown", 1)
    d.expect_image(START, 135, "pressed again")
    move(d.away())
    d.expect_image(START, 134, "held and dragged out")
    xdo("mouseup", 1)
    d.expect_clicks(clicks, "release outside")
    d.expect_image(START, 132, "after a release outside")

    move(d.point(START))
    xdo("mousedown", 1)
    move(d.away())
    d.expect_image(START, 134, "dragged out")
    move(d.point(START, 20, 20))
    d.expect_image(START, 135, "dragged back in")
    xdo("mouseup", 1)
    clicks.append((START, 0))
    d.expect_clicks(clicks, "dragged out and back in, released inside")

    move(d.point(START))
    d.expect_image(START, 134, "hover before the right clicks")
    xdo("click", 3)
    xdo("click", "--repeat", 2, "--delay", 80, 3)
    d.expect_clicks(clicks, "right click and right double-click")
    d.expect_image(START, 134, "after the right clicks")

    move(d.point(START, 40, 40))
    xdo("click", "--repeat", 2, "--delay", 80, 1)
    clicks.append((START, 0))
    d.expect_clicks(clicks, "double-click")

    move(d.point(RESTORE))
    d.expect_image(RESTORE, 139, "pointer over the restore button")
    d.expect_image(START, 132, "start button when the pointer is on the restore button")
    xdo("click", 1)
    clicks.append((RESTORE, 0))
    d.expect_clicks(clicks, "restore click")
    d.expect_image(RESTORE, (138, 139), "restore button after its click")
    return clicks


def check_disabled(d, clicks):
    move(d.point(START))
    d.expect_image(START, 134, "hover before disabling")
    d.command("disable 1000")
    d.expect_image(START, 135, "disabled while the pointer is over it")
    xdo("click", 1)
    move(d.away())
    move(d.point(START, 10, 10))
    xdo("mousedown", 1)
    d.expect_image(START, 135, "disabled, pressed")
    xdo("mouseup", 1)
    d.expect_clicks(clicks, "clicks on the disabled button")
    d.expect_image(START, 135, "still disabled")

    move(d.point(START))
    d.command("enable 1000")
    d.expect_image(START, 132, "enabled with the pointer over it")
    move(d.point(START, 50, 50))
    d.expect_image(START, 134, "the next move after enabling")
    xdo("click", 1)
    clicks.append((START, 0))
    d.expect_clicks(clicks, "click after enabling again")


def main():
    exe, res, work = (Path(a) for a in sys.argv[1:4])
    d = Dialog(exe, res, work)
    try:
        check_layout(d)
        clicks = check_mouse(d)
        check_disabled(d, clicks)
    except Failure as failure:
        print("FAIL:", failure)
        print("dialog log:\n  " + "\n  ".join(d.lines()))
        return 1
    finally:
        d.close()
    print("PASS")
    return 0


if __name__ == "__main__":
    sys.exit(main())

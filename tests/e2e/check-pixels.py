#!/usr/bin/python3
"""Checks a screenshot of the program's window against the program's picture files.

Usage: check-pixels.py SHOT.png OX,OY W,H [background ID [except X,Y,W,H]...] [picture ID@X,Y]...
  OX,OY  the client area's origin on the screen; W,H its size
  background ID      the client area shows bitmap resource ID from its top-left corner,
                     unscaled, wherever no control covers it (sampled every 3rd pixel)
  except X,Y,W,H     a control's rectangle in the client area, left out of that comparison
  picture ID@X,Y     the whole of bitmap resource ID is shown at X,Y of the client area
  colour R,G,B@X,Y,W,H  every pixel of that rectangle of the client area has that colour
Resource ids are resolved through res/TiroxOptimize.rc and app/resource.h. Exits 1 with the
differences when a pixel differs.
"""
import os
import re
import sys

from PIL import Image

ROOT = os.path.realpath(os.path.join(os.path.dirname(__file__), "..", ".."))


def bitmap_files():
    defines = {}
    for line in open(os.path.join(ROOT, "app", "resource.h"), encoding="utf-8"):
        match = re.match(r"\s*#define\s+(\w+)\s+(\d+)", line)
        if match:
            defines[match.group(1)] = int(match.group(2))
    files = {}
    for line in open(os.path.join(ROOT, "res", "TiroxOptimize.rc"), encoding="utf-8"):
        match = re.match(r'\s*(\w+)\s+BITMAP\s+"([^"]+)"', line)
        if match:
            name = match.group(1)
            number = int(name) if name.isdigit() else defines[name]
            files[number] = os.path.join(ROOT, "res", match.group(2))
    return files


def parse_pair(text):
    return tuple(int(v) for v in text.split(","))


def inside(x, y, rect, margin=2):
    rx, ry, rw, rh = rect
    return rx - margin <= x < rx + rw + margin and ry - margin <= y < ry + rh + margin


def compare(shot, picture, origin, points, label, problems):
    differing = [(x, y) for x, y in points
                 if shot.getpixel((origin[0] + x, origin[1] + y)) != picture.getpixel((x, y))]
    if differing:
        x, y = differing[0]
        problems.append(f"{label}: {len(differing)} of {len(points)} pixels differ, first at "
                        f"({x},{y}): screen {shot.getpixel((origin[0] + x, origin[1] + y))}, "
                        f"picture {picture.getpixel((x, y))}")
    return len(points) - len(differing)


def main():
    shot = Image.open(sys.argv[1]).convert("RGB")
    origin = parse_pair(sys.argv[2])
    client = parse_pair(sys.argv[3])
    files = bitmap_files()
    problems, summary = [], []
    args = sys.argv[4:]
    background, excluded, pictures, fills = None, [], [], []
    while args:
        kind, value, args = args[0], args[1], args[2:]
        if kind == "background":
            background = int(value)
        elif kind == "except":
            excluded.append(parse_pair(value))
        elif kind == "picture":
            number, place = value.split("@")
            pictures.append((int(number), parse_pair(place)))
        elif kind == "colour":
            colour, rect = value.split("@")
            fills.append((parse_pair(colour), parse_pair(rect)))
        else:
            sys.exit(f"unknown argument {kind}")
    if background is not None:
        picture = Image.open(files[background]).convert("RGB")
        width, height = min(client[0], picture.width), min(client[1], picture.height)
        points = [(x, y) for y in range(0, height, 3) for x in range(0, width, 3)
                  if not any(inside(x, y, rect) for rect in excluded)]
        same = compare(shot, picture, origin, points, f"background {background}", problems)
        summary.append(f"background {background}: {same}/{len(points)} samples")
    for number, (px, py) in pictures:
        picture = Image.open(files[number]).convert("RGB")
        # The picture is compared at its place: shift the screen origin onto it.
        points = [(x, y) for y in range(picture.height) for x in range(picture.width)]
        same = compare(shot, picture, (origin[0] + px, origin[1] + py), points,
                       f"picture {number} at {px},{py}", problems)
        summary.append(f"picture {number}: {same}/{len(points)} pixels")
    for colour, (rx, ry, rw, rh) in fills:
        points = [(rx + x, ry + y) for y in range(rh) for x in range(rw)]
        differing = [(x, y) for x, y in points if shot.getpixel((origin[0] + x, origin[1] + y)) != colour]
        if differing:
            x, y = differing[0]
            problems.append(f"colour {colour}: {len(differing)} of {len(points)} pixels differ, first at "
                            f"({x},{y}): screen {shot.getpixel((origin[0] + x, origin[1] + y))}")
        summary.append(f"colour {colour}: {len(points) - len(differing)}/{len(points)} pixels")
    print("; ".join(summary))
    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())

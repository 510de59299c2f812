#!/usr/bin/python3
"""Checks a screenshot of the program's window against the program's picture files.

Usage: check-pixels.py SHOT.png OX,OY W,H [background ID [except X,Y,W,H]...] [picture ID@X,Y]...
  OX,OY  the client area's origin on the screen; W,H its size
  background ID      the client area shows bitmap resource ID from its top-left corner,
                     unscaled, wherever no control covers it (sampled every 3rd pixel)
  except X,Y,W,H     a control's rectangle in the client area, left out of that comparison
  picture ID@X,Y     the whole of bitmap resource ID is shown at X,Y of the client area
  colour R,G,B@X,Y,W,H  every pixel of that rectangle of the client area has that colour
  tolerance N[,P]    a pixel matches when no channel differs by more than N (default 0), and a
                     picture passes when at least P percent of its pixels match (default 100)
An ID may be written ID:WxH: the picture resized to W x H (bicubic), for a display scale that
shows another scale's pictures resized; such a comparison needs a tolerance, as two resamplers
differ a little at sharp edges.
Resource ids (bitmaps, and the PNG pictures of the larger display scales) are resolved through
res/TiroxOptimize.rc and app/resource.h. Exits 1 with the
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
        match = re.match(r'\s*(\w+)\s+(?:BITMAP|RCDATA)\s+"([^"]+)"', line)
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


def close(a, b, tolerance):
    return all(abs(u - v) <= tolerance for u, v in zip(a, b))


def load_picture(files, wanted):
    """The picture of a resource id, or of "ID:WxH" resized to W x H."""
    number, _, size = wanted.partition(":")
    picture = Image.open(files[int(number)]).convert("RGB")
    if size:
        width, height = (int(v) for v in size.split("x"))
        picture = picture.resize((width, height), Image.BICUBIC)
    return picture


def compare(shot, picture, origin, points, label, problems, tolerance=(0, 100)):
    differing = [(x, y) for x, y in points
                 if not close(shot.getpixel((origin[0] + x, origin[1] + y)), picture.getpixel((x, y)), tolerance[0])]
    if len(differing) * 100 > len(points) * (100 - tolerance[1]):
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
    background, excluded, pictures, fills, tolerance = None, [], [], [], (0, 100)
    while args:
        kind, value, args = args[0], args[1], args[2:]
        if kind == "background":
            background = value
        elif kind == "except":
            excluded.append(parse_pair(value))
        elif kind == "picture":
            number, place = value.split("@")
            pictures.append((number, parse_pair(place)))
        elif kind == "colour":
            colour, rect = value.split("@")
            fills.append((parse_pair(colour), parse_pair(rect)))
        elif kind == "tolerance":
            tolerance = tuple(float(v) for v in (value + ",100").split(",")[:2])
        else:
            sys.exit(f"unknown argument {kind}")
    if background is not None:
        picture = load_picture(files, background)
        width, height = min(client[0], picture.width), min(client[1], picture.height)
        points = [(x, y) for y in range(0, height, 3) for x in range(0, width, 3)
                  if not any(inside(x, y, rect) for rect in excluded)]
        same = compare(shot, picture, origin, points, f"background {background}", problems, tolerance)
        summary.append(f"background {background}: {same}/{len(points)} samples")
    for number, (px, py) in pictures:
        picture = load_picture(files, number)
        # The picture is compared at its place: shift the screen origin onto it.
        points = [(x, y) for y in range(picture.height) for x in range(picture.width)]
        same = compare(shot, picture, (origin[0] + px, origin[1] + py), points,
                       f"picture {number} at {px},{py}", problems, tolerance)
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

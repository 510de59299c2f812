#!/usr/bin/python3
"""Checks that every text drawn into the program's pictures can be read: WCAG 2 contrast of the
text's colour against the pixels right around its glyphs, at least 4.5:1, or 3:1 for large text
(24 px, or 18.7 px bold, at 100%).

Where each text lies comes from drawing it again with tools/make-pictures.py (its glyph mask);
the colours come from the pictures in res/ as they are shipped. For each character-wide strip
of a text, the text's colour is that of the pixels its glyphs cover most (small text, smoothed, rarely
covers a pixel fully: its strokes are seen in the blended colour), the background's that of the
pixels within a few pixels of the glyphs that no text of the picture touches (a glow behind the
text counts as background, since it is what the text is seen on). The worst strip is the text's
ratio.

Usage: check_contrast.py [PICTURE_DIR]   (default: res/). Prints every text's ratio; exits 1
when one is below its threshold.
"""
import importlib.util
import sys
from pathlib import Path

from PIL import Image, ImageChops, ImageFilter

ROOT = Path(__file__).resolve().parents[2]
NORMAL, LARGE = 4.5, 3.0
# No text of the pictures is set in a bold face (a thin outline does not make one), so only the
# size makes a text large.
LARGE_PX = 24


def load_generator():
    module_location = importlib.util.spec_from_file_location("make_pictures", ROOT / "tools" / "make-pictures.py")
    module = importlib.util.module_from_spec(module_location)
    module_location.loader.exec_module(module)
    return module


def channel(v):
    v /= 255
    return v / 12.92 if v <= 0.04045 else ((v + 0.055) / 1.055) ** 2.4


def luminance(rgb):
    r, g, b = rgb[:3]
    return 0.2126 * channel(r) + 0.7152 * channel(g) + 0.0722 * channel(b)


def ratio(a, b):
    hi, lo = max(a, b), min(a, b)
    return (hi + 0.05) / (lo + 0.05)


def median(values):
    values = sorted(values)
    return values[len(values) // 2]


def recorded_texts(generator, scale):
    """The pictures of one scale as the generator draws them, and for each text drawn in them
    (picture name, glyph mask, text, size at 100%)."""
    texts = []
    draw_text = generator.draw_text

    def recording(img, pos, text, px, color, anchor="la", scale_=1, stroke=0, glow=None, sharp=False):
        mask = generator.text_mask(img.size, pos, text, px, anchor, scale_, stroke, sharp)
        texts.append((img, mask, text, px))
        draw_text(img, pos, text, px, color, anchor, scale_, stroke, glow, sharp)

    generator.draw_text = lambda img, pos, text, px, color, anchor="la", scale=1, stroke=0, glow=None, \
        sharp=False: recording(img, pos, text, px, color, anchor, scale, stroke, glow, sharp)
    try:
        pictures = generator.picture_set(scale)
    finally:
        generator.draw_text = draw_text
    names = {id(img): name for name, img in pictures.items()}
    return pictures, [(names[id(img)], mask, text, px / scale.factor) for img, mask, text, px in texts
                      if id(img) in names]


def strip_ratios(picture, mask, others, strip):
    """The contrast of each strip of the text's width that holds glyph pixels; others is the
    mask of the picture's other texts, whose pixels are neither text nor background here."""
    w, h = mask.size
    full = max(128, round(max(mask.getdata()) * 0.8))
    near = mask.point(lambda v: 255 if v else 0).filter(ImageFilter.MaxFilter(2 * max(1, strip // 5) + 1))
    coverage, around, pixels = mask.load(), near.load(), picture.load()
    other = others.load()
    box = mask.getbbox()
    if not box:
        return []
    ratios = []
    for left in range(box[0], box[2], strip):
        ink, ground = [], []
        for x in range(left, min(left + strip, box[2])):
            for y in range(max(0, box[1] - strip), min(h, box[3] + strip)):
                if coverage[x, y] >= full:
                    ink.append(luminance(pixels[x, y]))
                elif coverage[x, y] == 0 and around[x, y] and not other[x, y]:
                    ground.append(luminance(pixels[x, y]))
        if ink and ground:
            ratios.append(ratio(median(ink), median(ground)))
    return ratios


def picture_file(directory, name, suffix):
    return directory / (f"{name}{suffix}.png" if suffix else f"{name}.bmp")


def main():
    directory = Path(sys.argv[1]) if len(sys.argv) > 1 else ROOT / "res"
    generator = load_generator()
    failures = 0
    for dpi, suffix in generator.SETS:
        scale = generator.Scale(dpi)
        pictures = {}
        drawn, texts = recorded_texts(generator, scale)
        for name, mask, text, px96 in texts:
            if name not in pictures:
                pictures[name] = Image.open(picture_file(directory, name, suffix)).convert("RGB")
                if pictures[name].tobytes() != drawn[name].convert("RGB").tobytes():
                    # The glyphs' places come from the generator: they fit only its own pictures.
                    print(f"FAIL {name + suffix} is not what tools/make-pictures.py draws: run it")
                    failures += 1
            picture = pictures[name]
            others = Image.new("L", mask.size, 0)
            for other_name, other_mask, _, _ in texts:
                if other_name == name and other_mask is not mask:
                    others = ImageChops.lighter(others, other_mask)
            others = others.filter(ImageFilter.MaxFilter(3))
            large = px96 >= LARGE_PX
            need = LARGE if large else NORMAL
            ratios = strip_ratios(picture, mask, others, max(4, round(px96 * scale.factor)))
            worst = min(ratios) if ratios else 0.0
            ok = worst >= need
            failures += not ok
            print(f"{'ok  ' if ok else 'FAIL'} {dpi:3d} dpi {name + suffix:22s} {worst:5.2f}:1 "
                  f"(needs {need}:1) {text}")
    if failures:
        print(f"{failures} texts below their contrast threshold")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())

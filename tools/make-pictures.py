#!/usr/bin/python3
"""Draws the program's pictures into res/: the background, the start and restore button
states and the window icon (48/32/16 px, 8-bit and 32-bit images). The pictures are drawn at
each display scale the program has a set for: 100% as 24-bit BMP, 125%, 150% and 200% as PNG
(name-125.png ...), each drawn at its size rather than enlarged from the 100% set.

Usage: tools/make-pictures.py [OUTPUT_DIR]   (default: res/ beside this script's tools/)

Needs Python 3 with PIL (Debian: python3-pil) and WenQuanYi Zen Hei (fonts-wqy-zenhei).
Shapes are drawn at SS times the size and scaled down, which gives them smooth edges;
small text is drawn at its final size so that it stays crisp.
"""
import struct
import sys
from pathlib import Path

from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont

FONT = "/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc"
SHARP = 2  # the collection's face with embedded bitmaps for small sizes
SS = 4

# Dialog base units of the dialog font (9 pt SimSun at 96 dpi); controls are placed from them.
BASE_X, BASE_Y = 6, 12


def du_rect(x, y, cx, cy):
    """Pixel rectangle (left, top, right, bottom) of a rectangle given in dialog units."""
    left, top = round(x * BASE_X / 4), round(y * BASE_Y / 8)
    return left, top, left + round(cx * BASE_X / 4), top + round(cy * BASE_Y / 8)


BG_SIZE = (400, 300)
CLIENT = du_rect(0, 0, 265, 196)[2:]
START_SIZE, RESTORE_SIZE = (88, 88), (79, 12)
START_POS = du_rect(198, 46, 0, 0)[:2]
RESTORE_POS = du_rect(198, 172, 0, 0)[:2]
LOG_RECT = du_rect(9, 132, 245, 33)
HEADER_H = 58

NAVY = (10, 36, 92)
BLUE = (28, 96, 196)
INK = (38, 50, 70)
MUTED = (64, 76, 96)


def font(px, index=0):
    return ImageFont.truetype(FONT, px, index=index)


def mix(a, b, t):
    return tuple(round(a[i] + (b[i] - a[i]) * t) for i in range(3))


def vertical_gradient(size, top, bottom, start=0, span=None):
    """An RGB image whose colour runs from top to bottom over rows start .. start+span."""
    w, h = size
    span = span or h
    column = Image.new("RGB", (1, h))
    for y in range(h):
        column.putpixel((0, y), mix(top, bottom, min(max((y - start) / span, 0.0), 1.0)))
    return column.resize(size)


def diagonal_gradient(size, a, b):
    w, h = size
    img = Image.new("RGB", size)
    px = img.load()
    for y in range(h):
        for x in range(w):
            px[x, y] = mix(a, b, (x / w) * 0.7 + (y / h) * 0.3)
    return img


def rounded_mask(size, box, radius):
    """An 'L' mask of a rounded rectangle, drawn at SS times and scaled down to size."""
    big = Image.new("L", (size[0] * SS, size[1] * SS), 0)
    ImageDraw.Draw(big).rounded_rectangle([v * SS for v in box], radius * SS, fill=255)
    return big.resize(size, Image.LANCZOS)


def ellipse_mask(size, box):
    big = Image.new("L", (size[0] * SS, size[1] * SS), 0)
    ImageDraw.Draw(big).ellipse([v * SS for v in box], fill=255)
    return big.resize(size, Image.LANCZOS)


def shadow(size, mask, offset, blur, strength):
    """A soft shadow mask: the shape moved by offset, blurred, scaled to strength (0..1)."""
    moved = Image.new("L", size, 0)
    moved.paste(mask, offset)
    return moved.filter(ImageFilter.GaussianBlur(blur)).point(lambda v: round(v * strength))


def fill(img, color, mask):
    img.paste(Image.new("RGB", img.size, color), (0, 0), mask)


def paint(img, source, mask):
    img.paste(source, (0, 0), mask)


def text_mask(size, pos, text, px, anchor="la", scale=1, stroke=0, sharp=False):
    """An 'L' mask of text. With scale > 1 it is drawn larger and scaled down (for big text);
    sharp takes the font's hand-tuned bitmaps, crisp at 12 px and below."""
    big = Image.new("L", (size[0] * scale, size[1] * scale), 0)
    ImageDraw.Draw(big).text((pos[0] * scale, pos[1] * scale), text,
                             font=font(px * scale, SHARP if sharp else 0),
                             fill=255, anchor=anchor, stroke_width=round(stroke * scale),
                             stroke_fill=255)
    return big if scale == 1 else big.resize(size, Image.LANCZOS)


def draw_text(img, pos, text, px, color, anchor="la", scale=1, stroke=0, glow=None, sharp=False):
    mask = text_mask(img.size, pos, text, px, anchor, scale, stroke, sharp)
    if glow:
        glow_color, radius, strength = glow
        halo = mask.filter(ImageFilter.GaussianBlur(radius)).point(lambda v: min(255, round(v * strength)))
        fill(img, glow_color, halo)
    fill(img, color, mask)


def gauge_mask(size, center, radius, needle_angle, width, needle=True, ticks=True):
    """A speedometer: an open arc with ticks and a needle, as an 'L' mask."""
    import math
    big = Image.new("L", (size[0] * SS, size[1] * SS), 0)
    d = ImageDraw.Draw(big)
    cx, cy, r, w = center[0] * SS, center[1] * SS, radius * SS, width * SS
    d.arc([cx - r, cy - r, cx + r, cy + r], 150, 390, fill=255, width=round(w))
    for angle in range(150, 391, 40) if ticks else ():
        a = math.radians(angle)
        inner, outer = r - w * 2.6, r - w * 1.4
        d.line([cx + inner * math.cos(a), cy + inner * math.sin(a),
                cx + outer * math.cos(a), cy + outer * math.sin(a)], fill=255, width=round(w * 0.7))
    if not needle:
        return big.resize(size, Image.LANCZOS)
    a = math.radians(needle_angle)
    tip = r - w * 1.6
    d.line([cx, cy, cx + tip * math.cos(a), cy + tip * math.sin(a)], fill=255, width=round(w * 1.1))
    hub = w * 1.3
    d.ellipse([cx - hub, cy - hub, cx + hub, cy + hub], fill=255)
    return big.resize(size, Image.LANCZOS)


def refresh_mask(size, center, radius, width):
    """A circular arrow (restore), as an 'L' mask."""
    import math
    big = Image.new("L", (size[0] * SS, size[1] * SS), 0)
    d = ImageDraw.Draw(big)
    cx, cy, r, w = center[0] * SS, center[1] * SS, radius * SS, width * SS
    d.arc([cx - r, cy - r, cx + r, cy + r], 60, 350, fill=255, width=round(w))
    a = math.radians(350)
    tx, ty = cx + r * math.cos(a), cy + r * math.sin(a)
    h = w * 1.9
    d.polygon([(tx - h, ty - h * 0.2), (tx + h, ty - h * 0.2), (tx, ty + h * 1.1)], fill=255)
    return big.resize(size, Image.LANCZOS)


class Scale:
    """A display scale, as the DPI that Windows reports (96 is 100%). px() maps a value of the
    96-DPI pixel table, rounding half up as the program does; calling it scales free geometry
    (shapes, text sizes), which stays exactly the 96-DPI value at 100%."""

    def __init__(self, dpi):
        self.dpi = dpi
        self.factor = 1 if dpi == 96 else dpi / 96

    def __call__(self, value):
        return value * self.factor

    def px(self, value):
        return (value * self.dpi + 48) // 96

    def i(self, value):
        """Free geometry that must be whole pixels (sizes, offsets, font sizes)."""
        return int(value * self.factor + 0.5)

    def point(self, pos):
        return self.px(pos[0]), self.px(pos[1])

    def box(self, pos, size):
        left, top = self.point(pos)
        return left, top, left + self.px(size[0]), top + self.px(size[1])


def body_background(size, header_h):
    return vertical_gradient(size, (246, 249, 253), (226, 234, 244), header_h, size[1] - header_h)


def hline(img, y, width, thickness, color):
    ImageDraw.Draw(img).rectangle([0, y, width, y + thickness - 1], fill=color)


def background(s):
    w, h = s.point(BG_SIZE)
    size = (w, h)
    header_h = s.px(HEADER_H)
    img = body_background(size, header_h)

    # Header: a deep blue band with faint signal rings behind the product's name.
    header = diagonal_gradient((w, header_h), NAVY, BLUE)
    rings = Image.new("L", (w * SS, header_h * SS), 0)
    d = ImageDraw.Draw(rings)
    cx, cy = s(372) * SS, s(66) * SS
    for i, r in enumerate((26, 44, 62, 80, 98)):
        r = s(r)
        d.ellipse([cx - r * SS, cy - r * SS, cx + r * SS, cy + r * SS], outline=58 - i * 9, width=round(s(2) * SS))
    rings = rings.resize((w, header_h), Image.LANCZOS)
    fill(header, (160, 205, 255), rings)
    img.paste(header, (0, 0))
    fill(img, (72, 140, 230), rounded_mask(size, (0, header_h - s(2), w, header_h), 0))

    logo = Image.new("L", size, 0)
    logo.paste(gauge_mask((s.i(30), s.i(30)), (s(15), s(16)), s(11), 300, s(2.4)), (s.i(16), s.i(13)))
    fill(img, (255, 255, 255), logo)
    draw_text(img, (s(54), s(27)), "Tirox网络优化", s.i(24), (255, 255, 255), anchor="lm", scale=SS,
              stroke=0, glow=((0, 20, 60), s(2), 0.6))
    draw_text(img, (s(216), s(32)), "游戏线路 · 智能测速 · 一键切换", s.i(12), (230, 240, 255), anchor="lm")

    # Step guide card beside the start button.
    start = s.box(START_POS, START_SIZE)
    log = s.box(LOG_RECT[:2], (LOG_RECT[2] - LOG_RECT[0], LOG_RECT[3] - LOG_RECT[1]))
    top, bottom = start[1], start[3]
    card = (log[0], top, start[0] - s(14), bottom)
    card_mask = rounded_mask(size, card, s(8))
    fill(img, (90, 110, 140), shadow(size, card_mask, (0, s.i(2)), s(3), 0.28))
    fill(img, (255, 255, 255), card_mask)
    steps = [("1", "测量三组服务器线路的延迟", (20, 90, 180)),
             ("2", "比较五轮测速的平均时间", (12, 116, 108)),
             ("3", "把最快的线路写入 HOSTS", (16, 120, 70))]
    row_h = (bottom - top) / 3
    for i, (number, text, color) in enumerate(steps):
        cy = top + row_h * (i + 0.5)
        x = card[0] + s(14)
        fill(img, color, ellipse_mask(size, (x, cy - s(9), x + s(18), cy + s(9))))
        draw_text(img, (x + s(9), cy + s(0.5)), number, s.i(12), (255, 255, 255), anchor="mm", scale=SS)
        draw_text(img, (x + s(28), round(cy)), text, s.i(12), INK, anchor="lm")
        if i < 2:
            line_y = round(top + row_h * (i + 1))
            ImageDraw.Draw(img).line([x + s(28), line_y, card[2] - s(12), line_y], fill=(232, 238, 246),
                                     width=s.i(1))

    # The lower band holds the log pane and the restore button. It has no frame that must meet
    # the pane's edges, so it stays right when the dialog font's height differs a pixel or two.
    left, ptop = log[0], log[1]
    band_top = ptop - s.i(26)
    paint(img, vertical_gradient(size, (252, 253, 255), (236, 242, 249), band_top, h - band_top),
          rounded_mask(size, (0, band_top, w, h), 0))
    rule = s.i(1)
    hline(img, band_top, w, rule, (208, 220, 236))
    hline(img, band_top + rule, w, rule, (255, 255, 255))
    fill(img, BLUE, rounded_mask(size, (left, band_top + s(7), left + s(3), band_top + s(19)), s(1.5)))
    draw_text(img, (left + s(9), band_top + s(13)), "运行日志", s.i(12), INK, anchor="lm")
    draw_text(img, (left + s(2), s(283)), "提示：测速约需半分钟，其间窗口暂不响应", s.i(12), MUTED, anchor="lm")
    return img


def start_button(state, s, bg):
    """State 'normal', 'hover' or 'pressed' of the start button (88 x 88 at 100%), on the
    background bg of the same scale."""
    box = s.box(START_POS, START_SIZE)
    img = bg.crop(box)
    size = img.size
    pressed = 1 if state == "pressed" else 0
    down = s(pressed)
    face = (s(3), s(2) + down, s(85), s(84) + down)
    mask = ellipse_mask(size, face)

    fill(img, (20, 70, 50), shadow(size, mask, (0, s.i(2 - pressed)), s(3 - pressed), 0.45 - 0.15 * pressed))
    if state == "hover":
        fill(img, (70, 220, 150), shadow(size, mask, (0, 0), s(3), 0.5))
    colors = {"normal": ((36, 168, 102), (8, 106, 68)),
              "hover": ((46, 176, 112), (10, 108, 70)),
              "pressed": ((12, 96, 64), (16, 114, 76))}[state]
    paint(img, vertical_gradient(size, *colors, face[1], face[3] - face[1]), mask)

    inner = ellipse_mask(size, (face[0] + s(4), face[1] + s(4), face[2] - s(4), face[3] - s(4)))
    rim = ImageChops.subtract(mask, inner)
    fill(img, (255, 255, 255), rim.point(lambda v: round(v * (0.18 if pressed else 0.32))))
    if pressed:
        fill(img, (0, 40, 25), ImageChops.multiply(inner, shadow(size, ImageChops.invert(inner), (0, s.i(2)), s(2), 0.8)))
    else:
        gloss = ellipse_mask(size, (face[0] + s(10), face[1] + s(5), face[2] - s(10), face[1] + s(40)))
        fill(img, (255, 255, 255), ImageChops.multiply(gloss, vertical_gradient(size, (90,) * 3, (0,) * 3, face[1] + s(5), s(35)).convert("L")))

    white = (255, 255, 255) if not pressed else (240, 250, 244)
    fill(img, white, gauge_mask(size, (s(44), s(29) + down), s(12), 315 if state != "pressed" else 345, s(2.6)))
    draw_text(img, (s(44), s(51) + down), "启动", s.i(19), white, anchor="mm", scale=SS, stroke=s(0.25),
              glow=((0, 50, 28), s(2), 1.0))
    # At 12 px the font's own bitmaps keep the strokes solid, which smoothing would blur into the face.
    small = s.i(12) <= 12
    draw_text(img, (s(44), s(69) + down), "网络优化", s.i(12), white, anchor="mm", scale=1 if small else SS,
              glow=((0, 50, 28), s(1.8), 1.0), sharp=small)
    return img


def restore_button(state, s, bg):
    """State 'normal' or 'hover' of the restore button (79 x 12 at 100%), on the background bg
    of the same scale."""
    img = bg.crop(s.box(RESTORE_POS, RESTORE_SIZE))
    size = img.size
    pill = rounded_mask(size, (0, 0, size[0], size[1]), s(6))
    inner = rounded_mask(size, (s(1), s(1), size[0] - s(1), size[1] - s(1)), s(5))
    if state == "hover":
        fill(img, (22, 86, 180), pill)
        paint(img, vertical_gradient(size, (50, 124, 220), (24, 88, 190)), inner)
        ink = (255, 255, 255)
    else:
        fill(img, (150, 170, 198), pill)
        paint(img, vertical_gradient(size, (255, 255, 255), (226, 234, 245)), inner)
        ink = (28, 80, 160)
    label = Image.new("L", size, 0)
    label.paste(refresh_mask((s.i(12), s.i(12)), (s(6), s(6)), s(3.4), s(1.3)), (s.i(22), 0))
    fill(img, ink, label)
    draw_text(img, (s(48), s(6)), "恢复", s.i(12), ink, anchor="mm", sharp=True)
    return img


def needle_mask(size, center, length, angle, width):
    import math
    big = Image.new("L", (size[0] * SS, size[1] * SS), 0)
    d = ImageDraw.Draw(big)
    cx, cy, w = center[0] * SS, center[1] * SS, width * SS
    a = math.radians(angle)
    d.line([cx, cy, cx + length * SS * math.cos(a), cy + length * SS * math.sin(a)], fill=255, width=round(w))
    d.ellipse([cx - w * 1.5, cy - w * 1.5, cx + w * 1.5, cy + w * 1.5], fill=255)
    return big.resize(size, Image.LANCZOS)


def over(img, color, mask):
    layer = Image.new("RGBA", img.size, color + (255,))
    layer.putalpha(mask)
    return Image.alpha_composite(img, layer)


def icon_rgba(px):
    """The window icon at px x px: a blue tile with a white gauge and a green needle."""
    tile = rounded_mask((px, px), (0.5, 0.5, px - 0.5, px - 0.5), px * 0.22)
    img = diagonal_gradient((px, px), (44, 128, 232), NAVY).convert("RGBA")
    img.putalpha(tile)
    gloss = rounded_mask((px, px), (1, 1, px - 1, px * 0.5), px * 0.2)
    img = over(img, (255, 255, 255), ImageChops.multiply(gloss, tile).point(lambda v: v * 0.16))
    width = max(1.5, px / 10)
    center = (px / 2, px * 0.6)
    img = over(img, (255, 255, 255), gauge_mask((px, px), center, px * 0.36, 0, width, needle=False, ticks=px >= 32))
    return over(img, (70, 230, 140), needle_mask((px, px), center, px * 0.28, 305, max(1.2, px / 16)))


def dib_32(img):
    """BITMAPINFOHEADER, BGRA rows bottom-up and the AND mask of a 32-bit icon image."""
    w, h = img.size
    pixels = b"".join(
        bytes((b, g, r, a)) for y in reversed(range(h)) for x in range(w) for r, g, b, a in [img.getpixel((x, y))])
    return header(w, h, 32, 0) + pixels + and_mask(img)


def dib_8(img):
    """BITMAPINFOHEADER, a 256-colour palette, index rows and the AND mask of an 8-bit image."""
    w, h = img.size
    flat = Image.new("RGB", img.size, (0, 0, 0))
    flat.paste(img, (0, 0), img.getchannel("A").point(lambda v: 255 if v >= 128 else 0))
    indexed = flat.quantize(255, method=Image.MEDIANCUT)
    palette = indexed.getpalette()[: 256 * 3]
    palette += [0] * (256 * 3 - len(palette))
    quads = b"".join(bytes((palette[i * 3 + 2], palette[i * 3 + 1], palette[i * 3], 0)) for i in range(256))
    stride = (w + 3) & ~3
    rows = b"".join(
        bytes(indexed.getpixel((x, y)) for x in range(w)) + b"\0" * (stride - w) for y in reversed(range(h)))
    return header(w, h, 8, 256) + quads + rows + and_mask(img)


def header(w, h, bits, colors):
    stride = ((w * bits + 31) // 32) * 4
    mask_stride = ((w + 31) // 32) * 4
    return struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, bits, 0, (stride + mask_stride) * h, 0, 0, colors, 0)


def and_mask(img):
    w, h = img.size
    stride = ((w + 31) // 32) * 4
    out = bytearray()
    for y in reversed(range(h)):
        row = bytearray(stride)
        for x in range(w):
            if img.getpixel((x, y))[3] < 128:
                row[x // 8] |= 0x80 >> (x % 8)
        out += row
    return bytes(out)


def write_icon(path, sizes):
    images = []
    for px in sizes:
        rgba = icon_rgba(px)
        images.append((px, 8, dib_8(rgba)))
        images.append((px, 32, dib_32(rgba)))
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for px, bits, data in images:
        out += struct.pack("<BBBBHHII", px % 256, px % 256, 0, 0, 1, bits, len(data), offset)
        offset += len(data)
    out += b"".join(data for _, _, data in images)
    path.write_bytes(out)


# Each scale's set: the DPI it is drawn for and the suffix of its file names. The 100% set is the
# program's BMP resources; the larger sets are PNG (lossless and a fraction of the size), which
# the program decodes through GDI+.
SETS = ((96, ""), (120, "-125"), (144, "-150"), (192, "-200"))


def picture_set(s):
    bg = background(s)
    return {
        "background": bg,
        "start_normal": start_button("normal", s, bg),
        "start_hover": start_button("hover", s, bg),
        "start_pressed": start_button("pressed", s, bg),
        "restore_normal": restore_button("normal", s, bg),
        "restore_hover": restore_button("hover", s, bg),
    }


def main():
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parent.parent / "res"
    out.mkdir(parents=True, exist_ok=True)
    for dpi, suffix in SETS:
        for name, img in picture_set(Scale(dpi)).items():
            if suffix:
                img.convert("RGB").save(out / f"{name}{suffix}.png", "PNG", optimize=True)
            else:
                img.convert("RGB").save(out / f"{name}.bmp", "BMP")
    write_icon(out / "TiroxOptimize.ico", (48, 32, 16))


if __name__ == "__main__":
    main()

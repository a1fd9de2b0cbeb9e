#!/usr/bin/env python3
"""Draw Tavik's logo and program icon with ImageMagick.

Writes, relative to the repository root:
  resources/images/logo.jpg        the 320 x 240 splash logo, drawn at 640 x 480
  resources/images/logo_small.png  the 135 x 101 copy for the main and About
                                   windows, at 270 x 202
  resources/icons/hicolor/NxN/apps/net.tavik.Tavik.png
                                   the program icon at every size the desktop
                                   asks for, rendered from the one vector source
                                   resources/icons/hicolor/scalable/apps/net.tavik.Tavik.svg

The logos are drawn at twice their shown size so that they stay sharp on a
display scaled by 2.  All artwork is drawn from scratch; the star field uses
a fixed seed so the output is the same on every run.  Needs ImageMagick's
`convert` and librsvg's `rsvg-convert`.
"""
import os
import random
import subprocess
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT = os.path.join(ROOT, "resources", "images")
FONT = "/usr/share/fonts/truetype/liberation/LiberationSans-Bold.ttf"


def run(*args):
    subprocess.run(["convert", *map(str, args)], check=True)


def star_field(rng, width, height, count, k):
    """Return draw primitives for a scattering of small stars."""
    prims = []
    for _ in range(count):
        x = rng.uniform(0, width)
        y = rng.uniform(0, height)
        level = rng.randint(90, 255)
        tint = rng.choice(["", "b", "y"])
        r = g = b = level
        if tint == "b":
            r = int(level * 0.8)
        elif tint == "y":
            b = int(level * 0.75)
        px, py = int(x) // k * k, int(y) // k * k
        prims.append(f"fill rgb({r},{g},{b}) rectangle {px},{py} {px + k - 1},{py + k - 1}")
        if level > 235 and rng.random() < 0.3:
            prims.append(f"fill rgba({r},{g},{b},0.5) circle {x:.1f},{y:.1f} {x + k:.1f},{y:.1f}")
    return prims


def meteor_tail(head_x, head_y, dx, dy, length, width, steps=40):
    """Flame tail as a run of fading, shrinking discs behind the head."""
    prims = []
    for i in range(steps, 0, -1):
        t = i / steps
        x = head_x - dx * length * t
        y = head_y - dy * length * t
        rad = width * (1.0 - 0.85 * t)
        alpha = 0.12 + 0.5 * (1.0 - t)
        red = 255
        green = int(60 + 150 * (1.0 - t))
        blue = int(10 + 30 * (1.0 - t))
        prims.append(f"fill rgba({red},{green},{blue},{alpha:.2f}) "
                     f"circle {x:.1f},{y:.1f} {x + rad:.1f},{y:.1f}")
    return prims


def rock(head_x, head_y, rad):
    """The glowing rock itself: a lumpy, hot core."""
    pts = []
    rng = random.Random(7)
    import math
    for k in range(11):
        a = 2 * math.pi * k / 11
        rr = rad * rng.uniform(0.8, 1.05)
        pts.append(f"{head_x + rr * math.cos(a):.1f},{head_y + rr * math.sin(a):.1f}")
    return [
        f"fill rgb(150,60,20) polygon {' '.join(pts)}",
        f"fill rgb(255,170,60) circle {head_x - rad * 0.15:.1f},{head_y - rad * 0.15:.1f} "
        f"{head_x + rad * 0.45:.1f},{head_y - rad * 0.15:.1f}",
        f"fill rgb(255,245,200) circle {head_x - rad * 0.25:.1f},{head_y - rad * 0.25:.1f} "
        f"{head_x:.1f},{head_y - rad * 0.25:.1f}",
    ]


def draw_logo(path, k):
    """The logo at k times its shown size of 320 x 240."""
    w, h = 320 * k, 240 * k
    rng = random.Random(1998)
    with tempfile.TemporaryDirectory() as tmp:
        sky = os.path.join(tmp, "sky.png")
        glow = os.path.join(tmp, "glow.png")
        fire = os.path.join(tmp, "fire.png")
        title = os.path.join(tmp, "title.png")
        title_glow = os.path.join(tmp, "title_glow.png")

        # Black sky with a faint blue haze near the horizon, then stars.
        run("-size", f"{w}x{h}", "gradient:black-rgb(8,10,30)", sky)
        run(sky, "-draw", " ".join(star_field(rng, w, h, 170, k)), sky)

        # Meteor from upper left to right, head at (238, 62).
        hx, hy = 238 * k, 60 * k
        dx, dy = 0.94, 0.34
        tail = meteor_tail(hx, hy, dx, dy, 210 * k, 17 * k)
        run("-size", f"{w}x{h}", "xc:none", "-draw", " ".join(tail), fire)
        # A soft halo around the tail and the head.
        run(fire, "(", "-size", f"{w}x{h}", "xc:none", "-fill", "rgba(255,120,20,0.9)",
            "-draw", f"circle {hx},{hy} {hx + 24 * k},{hy}", ")", "-compose", "over",
            "-composite", "-blur", f"0x{7 * k}", glow)
        run(sky, glow, "-compose", "screen", "-composite",
            fire, "-compose", "screen", "-composite",
            "-draw", " ".join(rock(hx, hy, 11 * k)), sky)
        # A few sparks shed from the rock.
        sparks = []
        for _ in range(26):
            t = rng.uniform(0.05, 0.7)
            sx = hx - dx * 200 * k * t + rng.uniform(-10, 10) * k
            sy = hy - dy * 200 * k * t + rng.uniform(-10, 10) * k
            sparks.append(f"fill rgb(255,{rng.randint(150, 230)},80) "
                          f"circle {sx:.1f},{sy:.1f} {sx + k / 2:.1f},{sy:.1f}")
        run(sky, "-draw", " ".join(sparks), sky)

        # The name in large glowing letters.
        size, lift = str(92 * k), f"+0+{18 * k}"
        run("-size", f"{w}x{h}", "xc:none", "-font", FONT, "-pointsize", size,
            "-gravity", "south", "-fill", "rgb(255,110,0)",
            "-annotate", lift, "Tavik", "-blur", f"0x{8 * k}", title_glow)
        run("-size", f"{w}x{h}", "xc:none", "-font", FONT, "-pointsize", size,
            "-gravity", "south", "-stroke", "rgb(255,90,0)", "-strokewidth", str(3 * k),
            "-fill", "rgb(255,190,40)", "-annotate", lift, "Tavik",
            "-stroke", "none", "-fill", "rgb(255,245,190)",
            "-annotate", lift, "Tavik", title)
        run(sky, title_glow, "-compose", "screen", "-composite",
            title_glow, "-compose", "screen", "-composite",
            title, "-compose", "over", "-composite",
            "-quality", "92", path)


ICONS = os.path.join(ROOT, "resources", "icons", "hicolor")
ICON_NAME = "net.tavik.Tavik"
ICON_SIZES = (16, 22, 24, 32, 48, 64, 128, 256)


def render_icons():
    source = os.path.join(ICONS, "scalable", "apps", ICON_NAME + ".svg")
    for size in ICON_SIZES:
        folder = os.path.join(ICONS, f"{size}x{size}", "apps")
        os.makedirs(folder, exist_ok=True)
        subprocess.run(["rsvg-convert", "-w", str(size), "-h", str(size),
                        "-o", os.path.join(folder, ICON_NAME + ".png"), source], check=True)


def main():
    os.makedirs(OUT, exist_ok=True)
    logo = os.path.join(OUT, "logo.jpg")
    draw_logo(logo, 2)
    run(logo, "-resize", "270x202!", os.path.join(OUT, "logo_small.png"))
    render_icons()


if __name__ == "__main__":
    main()

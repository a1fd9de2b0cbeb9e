#!/usr/bin/env python3
"""Draw Tavik's logo and program icon with ImageMagick.

Writes, relative to the repository root:
  resources/images/logo.jpg        320 x 240 splash logo
  resources/images/logo_small.jpg  135 x 101 copy for the About window
  resources/images/icon16.png      16 x 16 program icon
  resources/images/icon32.png      32 x 32 program icon

All artwork is drawn from scratch; the star field uses a fixed seed so
the output is the same on every run.  Needs ImageMagick's `convert`.
"""
import os
import random
import subprocess
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT = os.path.join(ROOT, "resources", "images")
FONT = "Helvetica-Bold"


def run(*args):
    subprocess.run(["convert", *map(str, args)], check=True)


def star_field(rng, width, height, count):
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
        prims.append(f"fill rgb({r},{g},{b}) point {x:.0f},{y:.0f}")
        if level > 235 and rng.random() < 0.3:
            prims.append(f"fill rgba({r},{g},{b},0.5) circle {x:.1f},{y:.1f} {x + 1:.1f},{y:.1f}")
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


def draw_logo(path):
    w, h = 320, 240
    rng = random.Random(1998)
    with tempfile.TemporaryDirectory() as tmp:
        sky = os.path.join(tmp, "sky.png")
        glow = os.path.join(tmp, "glow.png")
        fire = os.path.join(tmp, "fire.png")
        title = os.path.join(tmp, "title.png")
        title_glow = os.path.join(tmp, "title_glow.png")

        # Black sky with a faint blue haze near the horizon, then stars.
        run("-size", f"{w}x{h}", "gradient:black-rgb(8,10,30)", sky)
        run(sky, "-draw", " ".join(star_field(rng, w, h, 170)), sky)

        # Meteor from upper left to right, head at (238, 62).
        hx, hy = 238, 60
        dx, dy = 0.94, 0.34
        tail = meteor_tail(hx, hy, dx, dy, 210, 17)
        run("-size", f"{w}x{h}", "xc:none", "-draw", " ".join(tail), fire)
        # A soft halo around the tail and the head.
        run(fire, "(", "-size", f"{w}x{h}", "xc:none", "-fill", "rgba(255,120,20,0.9)",
            "-draw", f"circle {hx},{hy} {hx + 24},{hy}", ")", "-compose", "over",
            "-composite", "-blur", "0x7", glow)
        run(sky, glow, "-compose", "screen", "-composite",
            fire, "-compose", "screen", "-composite",
            "-draw", " ".join(rock(hx, hy, 11)), sky)
        # A few sparks shed from the rock.
        sparks = []
        for _ in range(26):
            t = rng.uniform(0.05, 0.7)
            sx = hx - dx * 200 * t + rng.uniform(-10, 10)
            sy = hy - dy * 200 * t + rng.uniform(-10, 10)
            sparks.append(f"fill rgb(255,{rng.randint(150, 230)},80) point {sx:.0f},{sy:.0f}")
        run(sky, "-draw", " ".join(sparks), sky)

        # The name in large glowing letters.
        run("-size", f"{w}x{h}", "xc:none", "-font", FONT, "-pointsize", "92",
            "-gravity", "south", "-fill", "rgb(255,110,0)",
            "-annotate", "+0+18", "Tavik", "-blur", "0x8", title_glow)
        run("-size", f"{w}x{h}", "xc:none", "-font", FONT, "-pointsize", "92",
            "-gravity", "south", "-stroke", "rgb(255,90,0)", "-strokewidth", "3",
            "-fill", "rgb(255,190,40)", "-annotate", "+0+18", "Tavik",
            "-stroke", "none", "-fill", "rgb(255,245,190)",
            "-annotate", "+0+18", "Tavik", title)
        run(sky, title_glow, "-compose", "screen", "-composite",
            title_glow, "-compose", "screen", "-composite",
            title, "-compose", "over", "-composite",
            "-quality", "92", path)


def draw_icon(path, size):
    s = size
    with tempfile.TemporaryDirectory() as tmp:
        base = os.path.join(tmp, "icon.png")
        hx, hy = s * 0.70, s * 0.30
        rad = s * 0.20
        tail = meteor_tail(hx, hy, 0.75, -0.75, s * 0.75, s * 0.22, steps=16)
        # The tail runs from lower left up to the head at upper right.
        run("-size", f"{s}x{s}", "xc:black",
            "-draw", " ".join(tail),
            "-draw", f"fill rgb(255,150,40) circle {hx:.1f},{hy:.1f} {hx + rad:.1f},{hy:.1f}",
            "-draw", f"fill rgb(255,240,190) circle {hx - rad * 0.2:.1f},{hy - rad * 0.1:.1f} "
                     f"{hx + rad * 0.3:.1f},{hy - rad * 0.1:.1f}",
            base)
        if s >= 32:
            run(base, "-draw", "fill white point 5,6 point 24,26 point 12,3 point 28,19", base)
        else:
            run(base, "-draw", "fill rgb(200,200,200) point 2,3 point 13,13", base)
        run(base, "-depth", "8", f"PNG32:{path}")


def main():
    os.makedirs(OUT, exist_ok=True)
    logo = os.path.join(OUT, "logo.jpg")
    draw_logo(logo)
    run(logo, "-resize", "135x101!", "-quality", "92",
        os.path.join(OUT, "logo_small.jpg"))
    draw_icon(os.path.join(OUT, "icon16.png"), 16)
    draw_icon(os.path.join(OUT, "icon32.png"), 32)


if __name__ == "__main__":
    main()

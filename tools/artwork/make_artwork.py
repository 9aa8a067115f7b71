#!/usr/bin/env python3
"""Draws the window program's artwork: the banner, the progress-bar pieces and the icon.

Each picture is written at 96 dpi and at twice that (name@2x.bmp), drawn anew at each size rather
than scaled. The drawing is ImageMagick vector graphics (MVG); the BMP and ICO files it writes are
committed beside this script, so a build never needs it. Run: python3 tools/artwork/make_artwork.py
"""
import os
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
FONT_BOLD = "/usr/share/fonts/truetype/liberation/LiberationSans-Bold.ttf"
FONT = "/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf"

WINDOW = "#2e343a"       # RGB(46, 52, 58), the window's background
GREEN = "#07ad41"        # RGB(7, 173, 65), START's text
TRACK_W, TRACK_H = 472, 32   # the whole track of a bar at 96 dpi (from 120 to 7200 twips)
FILL_X, FILL_Y, FILL_H, CAP_W = 12, 2, 25, 4   # the fill inside the track (twips 300, +30, 375, 60)


def run(args):
    subprocess.run(args, check=True)


def render(mvg, width, height, out_png, background=WINDOW):
    # The drawing goes in as the argument itself: the usual security policy refuses "@file" reads.
    run(["convert", "-size", f"{width}x{height}", f"xc:{background}", "-draw", mvg, out_png])


def to_bmp(png, bmp, crop=None):
    args = ["convert", png]
    if crop:
        args += ["-crop", "{}x{}+{}+{}".format(*crop), "+repage"]
    args += ["-alpha", "off", "-type", "TrueColor", "BMP3:" + bmp]
    run(args)


def shield_path(s, x, y, w, h):
    """A heater shield: flat top with rounded shoulders, sides curving to a point."""
    def p(px, py):
        return f"{(x + px * w) * s:.2f},{(y + py * h) * s:.2f}"
    return (f"M {p(0.5, 0)} C {p(0.72, 0.09)} {p(0.86, 0.1)} {p(1, 0.1)} "
            f"L {p(1, 0.48)} C {p(1, 0.74)} {p(0.78, 0.9)} {p(0.5, 1)} "
            f"C {p(0.22, 0.9)} {p(0, 0.74)} {p(0, 0.48)} L {p(0, 0.1)} "
            f"C {p(0.14, 0.1)} {p(0.28, 0.09)} {p(0.5, 0)} Z")


def shield_mvg(s, x, y, w, h, rim):
    """The emblem: a green shield with a light rim, a glassy upper half and a white check mark.

    Pattern fills stay in ImageMagick's drawing state, so each one has a graphic context of its own."""
    check = [(0.27, 0.50), (0.44, 0.66), (0.75, 0.33)]
    pts = " ".join(f"{(x + cx * w) * s:.2f},{(y + cy * h) * s:.2f}" for cx, cy in check)
    return f"""
push defs
push gradient 'body' linear {x * s},{y * s} {x * s},{(y + h) * s}
stop-color '#3ddc7a' 0
stop-color '{GREEN}' 0.45
stop-color '#04692a' 1
pop gradient
push gradient 'gloss' linear {x * s},{y * s} {x * s},{(y + h * 0.55) * s}
stop-color 'rgba(255,255,255,0.38)' 0
stop-color 'rgba(255,255,255,0.04)' 1
pop gradient
pop defs
stroke 'rgba(0,0,0,0.35)' stroke-width {rim * 2.2 * s} fill none
path '{shield_path(s, x, y + 0.6, w, h)}'
push graphic-context
stroke '#d9f7e4' stroke-width {rim * s} fill 'url(#body)'
path '{shield_path(s, x, y, w, h)}'
pop graphic-context
push graphic-context
stroke none fill 'url(#gloss)'
path '{shield_path(s, x + w * 0.08, y + h * 0.06, w * 0.84, h * 0.5)}'
pop graphic-context
stroke 'rgba(0,0,0,0.25)' stroke-width {w * 0.12 * s} fill none stroke-linecap round stroke-linejoin round
polyline {" ".join(f"{(x + cx * w) * s:.2f},{(y + cy * h + 0.02 * h) * s:.2f}" for cx, cy in check)}
stroke 'white' stroke-width {w * 0.11 * s}
polyline {pts}
"""


def banner(s):
    w, h = 478, 95
    mvg = f"""
viewbox 0 0 {w * s} {h * s}
push defs
push gradient 'halo' linear 0,0 0,{h * s}
stop-color '#414b55' 0
stop-color '#3a434c' 0.55
stop-color '{WINDOW}' 1
pop gradient
push gradient 'rule' linear {96 * s},0 {470 * s},0
stop-color '{GREEN}' 0
stop-color 'rgba(7,173,65,0)' 1
pop gradient
pop defs
push graphic-context
stroke none fill 'url(#halo)'
rectangle 0,0 {w * s},{h * s}
pop graphic-context
{shield_mvg(s, 24, 12, 56, 68, 2.2)}
stroke none
font '{FONT_BOLD}' font-size {31 * s}
fill 'rgba(0,0,0,0.45)'
text {97 * s},{47 * s} 'Pellworth'
fill 'white'
text {96 * s},{45.5 * s} 'Pellworth'
fill 'rgba(0,0,0,0.45)'
text {247 * s},{47 * s} 'Remover'
fill '{GREEN}'
text {246 * s},{45.5 * s} 'Remover'
push graphic-context
fill 'url(#rule)'
rectangle {97 * s},{53 * s} {400 * s},{54 * s + (1 if s > 1 else 0)}
pop graphic-context
font '{FONT}' font-size {11.5 * s}
fill '#aab6bc'
text {97 * s},{67 * s} 'Finds and removes instant-messenger worms'
"""
    return mvg, w * s, h * s


def track(s, with_fill):
    """The whole bar at one scale: the recessed groove, and over it (for the fill pieces) a fill."""
    gx0, gx1, gy0, gy1, r = 4, TRACK_W - 4, 0, 29, 9
    mvg = f"""
viewbox 0 0 {TRACK_W * s} {TRACK_H * s}
push defs
push gradient 'groove' linear 0,{gy0 * s} 0,{gy1 * s}
stop-color '#0e1114' 0
stop-color '#171b1f' 0.35
stop-color '#1c2126' 1
pop gradient
pop defs
stroke '#525e69' stroke-width {s} fill none
roundrectangle {gx0 * s + s / 2},{gy0 * s + s * 1.5} {gx1 * s - s / 2},{gy1 * s + s * 0.5} {r * s},{r * s}
push graphic-context
stroke '#101316' stroke-width {s} fill 'url(#groove)'
roundrectangle {gx0 * s + s / 2},{gy0 * s + s / 2} {gx1 * s - s / 2},{gy1 * s - s / 2} {r * s},{r * s}
pop graphic-context
"""
    if with_fill:
        fx0, fx1 = FILL_X - CAP_W, FILL_X + 200 + CAP_W
        fy0, fy1 = FILL_Y, FILL_Y + FILL_H
        mvg += f"""
push defs
push gradient 'fill' linear 0,{fy0 * s} 0,{fy1 * s}
stop-color '#7cf0a6' 0
stop-color '#2bd06a' 0.3
stop-color '{GREEN}' 0.55
stop-color '#05823a' 1
pop gradient
push gradient 'shine' linear 0,{fy0 * s} 0,{(fy0 + FILL_H * 0.5) * s}
stop-color 'rgba(255,255,255,0.30)' 0
stop-color 'rgba(255,255,255,0.0)' 1
pop gradient
pop defs
push graphic-context
stroke '#03501f' stroke-width {s} fill 'url(#fill)'
roundrectangle {fx0 * s + s / 2},{fy0 * s + s / 2} {fx1 * s - s / 2},{fy1 * s - s / 2} {3.5 * s},{3.5 * s}
pop graphic-context
push graphic-context
stroke none fill 'url(#shine)'
roundrectangle {(fx0 + 1.5) * s},{(fy0 + 1.5) * s} {(fx1 - 1.5) * s},{(fy0 + FILL_H * 0.45) * s} {2.5 * s},{2.5 * s}
pop graphic-context
"""
    return mvg


def icon(size):
    s = size / 64.0
    mvg = f"viewbox 0 0 {size} {size}\n" + shield_mvg(s, 6, 3, 52, 58, 2.4)
    return mvg


def main():
    work = tempfile.mkdtemp()
    for s, suffix in ((1, ""), (2, "@2x")):
        mvg, w, h = banner(s)
        png = os.path.join(work, f"banner{suffix}.png")
        render(mvg, w, h, png)
        to_bmp(png, os.path.join(HERE, f"banner{suffix}.bmp"))

        plain = os.path.join(work, f"track{suffix}.png")
        render(track(s, False), TRACK_W * s, TRACK_H * s, plain)
        corner, strip_x = TRACK_H * s, 200 * s
        to_bmp(plain, os.path.join(HERE, f"track-left{suffix}.bmp"), (corner, corner, 0, 0))
        to_bmp(plain, os.path.join(HERE, f"track-strip{suffix}.bmp"), (8 * s, corner, strip_x, 0))
        to_bmp(plain, os.path.join(HERE, f"track-right{suffix}.bmp"), (corner, corner, TRACK_W * s - corner, 0))

        filled = os.path.join(work, f"fill{suffix}.png")
        render(track(s, True), TRACK_W * s, TRACK_H * s, filled)
        cap, fh, fy = CAP_W * s, FILL_H * s, FILL_Y * s
        to_bmp(filled, os.path.join(HERE, f"fill-left{suffix}.bmp"), (cap, fh, (FILL_X - CAP_W) * s, fy))
        to_bmp(filled, os.path.join(HERE, f"fill-strip{suffix}.bmp"), (8 * s, fh, (FILL_X + 100) * s, fy))
        to_bmp(filled, os.path.join(HERE, f"fill-right{suffix}.bmp"), (cap, fh, (FILL_X + 200) * s, fy))

    sizes = (16, 24, 32, 48, 256)
    pngs = []
    for size in sizes:
        png = os.path.join(work, f"icon{size}.png")
        render(icon(size), size, size, png, background="none")
        pngs.append(png)
    run(["convert", *pngs, os.path.join(HERE, "pellworth.ico")])
    print("artwork written to", HERE)


if __name__ == "__main__":
    sys.exit(main())

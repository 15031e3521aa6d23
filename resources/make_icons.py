#!/usr/bin/env python3
"""Draws the application icon for the desktop's icon theme (hicolor).

Writes into icons/ next to this script:
  skarvel.svg          the scalable icon
  skarvel_N.png        N x N for N in 16, 24, 32, 64, 256
The 48 and 128 pixel icons are icon_48.png and icon_128.png, drawn by make_pictures.py from the
same shapes. Run it again after changing the icon's shapes, then commit the script and its outputs.
"""
import os

from make_pictures import HERE, ICON_SHAPES, icon

SIZES = (16, 24, 32, 64, 256)


def colour_attributes(colour):
    r, g, b, a = colour
    text = 'fill="#%02x%02x%02x"' % (r, g, b)
    return text + (' fill-opacity="%.3g"' % (a / 255.0) if a != 255 else "")


def svg_shape(kind, numbers, colour):
    fill = colour_attributes(colour)
    if kind == "rect":
        x0, y0, x1, y1 = numbers
        return '<rect x="%g" y="%g" width="%g" height="%g" %s/>' % (x0, y0, x1 - x0, y1 - y0, fill)
    if kind == "round_rect":
        x0, y0, x1, y1, radius = numbers
        return '<rect x="%g" y="%g" width="%g" height="%g" rx="%g" %s/>' % (
            x0, y0, x1 - x0, y1 - y0, radius, fill)
    if kind == "circle":
        return '<circle cx="%g" cy="%g" r="%g" %s/>' % (*numbers, fill)
    if kind == "polygon":
        points = " ".join("%g,%g" % point for point in numbers)
        return '<polygon points="%s" %s/>' % (points, fill)
    if kind == "line":
        ax, ay, bx, by, width = numbers
        stroke = fill.replace("fill", "stroke")
        return ('<line x1="%g" y1="%g" x2="%g" y2="%g" stroke-width="%g" stroke-linecap="round" %s/>'
                % (ax, ay, bx, by, width, stroke))
    raise ValueError(kind)


def svg():
    lines = ['<?xml version="1.0" encoding="UTF-8"?>',
             '<svg xmlns="http://www.w3.org/2000/svg" width="48" height="48" viewBox="0 0 48 48">']
    lines += ["  " + svg_shape(*shape) for shape in ICON_SHAPES]
    lines.append("</svg>")
    return "\n".join(lines) + "\n"


def main():
    folder = os.path.join(HERE, "icons")
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "skarvel.svg"), "w") as f:
        f.write(svg())
    for size in SIZES:
        icon(size).png(os.path.join(folder, "skarvel_%d.png" % size))


if __name__ == "__main__":
    main()

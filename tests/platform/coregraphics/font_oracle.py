#!/usr/bin/python3
"""Font facts read with fontTools, for the 2-D layer's font tests.

usage:
  font_oracle.py advances FONT_FILE PIXEL_SIZE CODEPOINT...
      one line per code point: the horizontal advance in pixels (advance
      width from 'hmtx' x size / units per em) of the glyph 'cmap' gives it
  font_oracle.py bounds FONT_FILE PIXEL_SIZE CODEPOINT
      xMin yMin xMax yMax of the glyph's outline in pixels (y up)
  font_oracle.py macroman
      the 128 code points that Python's mac_roman codec gives bytes 128..255
"""
import sys


def main():
    if sys.argv[1] == "macroman":
        print(" ".join(str(ord(c)) for c in bytes(range(128, 256)).decode("mac_roman")))
        return
    from fontTools.ttLib import TTFont

    font = TTFont(sys.argv[2])
    size = float(sys.argv[3])
    scale = size / font["head"].unitsPerEm
    cmap = font.getBestCmap()
    if sys.argv[1] == "advances":
        hmtx = font["hmtx"]
        for code in sys.argv[4:]:
            name = cmap.get(int(code))
            print(hmtx[name][0] * scale if name else 0)
    elif sys.argv[1] == "bounds":
        glyph = font["glyf"][cmap[int(sys.argv[4])]]
        glyph.recalcBounds(font["glyf"])
        print(glyph.xMin * scale, glyph.yMin * scale, glyph.xMax * scale, glyph.yMax * scale)


if __name__ == "__main__":
    main()

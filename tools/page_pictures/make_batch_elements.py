#!/usr/bin/env python3
"""make_batch_elements.py ELEMENTS OUT

The Starlink page's picture shows what its text describes: a batch of
satellites shortly after their launch, a row of points moving one behind
the other. No packaged element set holds such a batch (the bundled ones,
gpredict's of January 2018, predate the first launch), so this writes a
made-up one for the picture alone: 24 satellites named STARLINK-1 to
STARLINK-24 (catalogue numbers 90001 to 90024) on the orbit of the ISS's
set in ELEMENTS, each leading the one before by 0.3 degrees of mean
anomaly (some 35 km at that height), so that the row crosses the sky
where and when the ISS does, a little further along its path (out of the
Earth's shadow on the evening the pictures show). Checksums are computed afresh (the modulo-10
sum of the digits, a minus sign counting 1).
"""
import sys

ISS = "25544"
COUNT = 24
SPACING_DEGREES = 0.3


def checksum(line):
    total = sum(int(c) if c.isdigit() else 1 if c == "-" else 0 for c in line[:68])
    return line[:68] + str(total % 10)


def batch(line1, line2):
    mean_anomaly = float(line2[43:51])
    for i in range(COUNT):
        number = "%05d" % (90001 + i)
        designator = ("18900" + chr(ord("A") + i)).ljust(8)
        first = line1[:2] + number + line1[7:9] + designator + line1[17:]
        anomaly = (mean_anomaly + i * SPACING_DEGREES) % 360.0
        second = line2[:2] + number + line2[7:43] + ("%8.4f" % anomaly) + line2[51:]
        yield "STARLINK-%d" % (i + 1), checksum(first), checksum(second)


def main(elements, out):
    with open(elements) as f:
        lines = [line.rstrip("\n") for line in f]
    for at, line in enumerate(lines):
        if line.startswith("1 " + ISS) and at + 1 < len(lines) and lines[at + 1].startswith("2 " + ISS):
            with open(out, "w") as f:
                for name, first, second in batch(line, lines[at + 1]):
                    f.write("%s\n%s\n%s\n" % (name, first, second))
            return 0
    sys.stderr.write("make_batch_elements.py: %s has no set of the ISS (%s)\n" % (elements, ISS))
    return 1


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    sys.exit(main(sys.argv[1], sys.argv[2]))

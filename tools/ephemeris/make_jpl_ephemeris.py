#!/usr/bin/python3
"""Writes JPL's DE405 in JPL's binary ephemeris layout from the copy Debian
ships for casacore (casacore-data-jpl-de405, read with python3-casacore).

The casacore table holds DE405's Chebyshev records for 1960-2060: one row per
32-day interval with its start (MJD) and the 1,016 coefficients of the
interval (padded to 1,018), the pointer table as the coefficient column's
"Description" keyword (13 columns: first coefficient, coefficients per
component, sub-intervals), and the 156 constants of the ephemeris as table
keywords after casacore's own bookkeeping keywords.

Output, in JPL's published layout (the export format of the DE files):
record 0 the header (three 84-character title lines, 400 six-character
constant names, first and last Julian date, span, constant count, AU, the
Earth/Moon mass ratio, the pointer table, the DE number, the librations
entry), record 1 the constant values, then one record per interval: its
first and last Julian date (TDB) and its coefficients. A record is the
kernel's 2,036 32-bit words (1,018 doubles). Byte order: the machine's, or
the one asked for.

Usage: make_jpl_ephemeris.py OUTPUT [--byte-order little|big]
         [--table /usr/share/casacore/data/ephemerides/DE405]
The output is written to OUTPUT.tmp and renamed, so a failed run leaves no
partial file.
"""
import argparse
import os
import struct
import sys

import numpy as np
from casacore.tables import table

TABLE = "/usr/share/casacore/data/ephemerides/DE405"
# casacore's own keywords, not constants of the ephemeris.
BOOKKEEPING = {"VS_CREATE", "VS_DATE", "VS_VERSION", "VS_TYPE", "TAB_VERSION", "MJD0", "dMJD"}
MJD_TO_JD = 2400000.5
TITLE_SIZE = 84
NAMES_IN_HEADER = 400


def components(entry):
    """Nutations (entry 11) have two components; everything else three."""
    return 2 if entry == 11 else 3


def convert(table_path, order):
    t = table(table_path, ack=False)
    starts = t.getcol("MJD") + MJD_TO_JD
    coefficients = t.getcol("x")
    pointers = np.asarray(t.getcolkeywords("x")["Description"], dtype=np.int64).reshape(3, 13).T
    keywords = t.getkeywords()
    span = float(keywords["dMJD"])
    names = [name for name in keywords if name not in BOOKKEEPING]
    values = [float(keywords[name]) for name in names]
    constants = dict(zip(names, values))
    t.close()

    if len(names) > NAMES_IN_HEADER or any(len(name) > 6 for name in names):
        raise ValueError("constants do not fit the header")
    if np.any(np.diff(starts) != span):
        raise ValueError("records are not contiguous %g-day intervals" % span)
    words = 4 + sum(2 * components(e) * int(p[1]) * int(p[2]) for e, p in enumerate(pointers))
    doubles = words // 2
    record_size = words * 4
    last = int(max(p[0] - 1 + p[1] * p[2] * components(e) for e, p in enumerate(pointers)))
    if last > doubles or coefficients.shape[1] < last - 2:
        raise ValueError("pointer table does not match the records")

    denum = int(constants["DENUM"])
    first_jd = float(starts[0])
    last_jd = float(starts[-1]) + span
    header = bytearray(record_size)
    titles = ["JPL Planetary Ephemeris DE%d/LE%d" % (denum, denum),
              "Start Epoch: JED= %11.1f" % first_jd,
              "Final Epoch: JED= %11.1f" % last_jd]
    for k, title in enumerate(titles):
        header[k * TITLE_SIZE:(k + 1) * TITLE_SIZE] = title.ljust(TITLE_SIZE).encode("ascii")
    for k, name in enumerate(names):
        header[252 + 6 * k:258 + 6 * k] = name.ljust(6).encode("ascii")
    struct.pack_into(order + "3di2d", header, 2652, first_jd, last_jd, span, len(names),
                     constants["AU"], constants["EMRAT"])
    for entry in range(12):
        struct.pack_into(order + "3i", header, 2696 + 12 * entry, *(int(v) for v in pointers[entry]))
    struct.pack_into(order + "i", header, 2840, denum)
    struct.pack_into(order + "3i", header, 2844, *(int(v) for v in pointers[12]))

    constant_record = bytearray(record_size)
    struct.pack_into(order + "%dd" % len(values), constant_record, 0, *values)

    dtype = np.dtype(order + "f8")
    body = np.zeros((len(starts), doubles), dtype=dtype)
    body[:, 0] = starts
    body[:, 1] = starts + span
    body[:, 2:last] = coefficients[:, :last - 2]
    data = bytes(header) + bytes(constant_record) + body.tobytes()
    if len(data) != (len(starts) + 2) * record_size:
        raise ValueError("records of the wrong size")
    return data


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("output")
    parser.add_argument("--byte-order", choices=["little", "big"], default=sys.byteorder)
    parser.add_argument("--table", default=TABLE)
    args = parser.parse_args()
    data = convert(args.table, "<" if args.byte_order == "little" else ">")
    temporary = args.output + ".tmp"
    with open(temporary, "wb") as out:
        out.write(data)
    os.replace(temporary, args.output)


if __name__ == "__main__":
    main()

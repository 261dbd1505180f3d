"""Helpers shared by the catalogue extraction scripts.

Every script reads public data files, checks them as it goes and stops with
a message naming the file and line of the first damage; its output is
written to a temporary file and renamed, so a failed run leaves nothing
half-written behind.
"""
import gzip
import json
import os
import sys
import tempfile


def fail(message):
    sys.stderr.write(f"{os.path.basename(sys.argv[0])}: {message}\n")
    sys.exit(1)


def open_text(path):
    try:
        with open(path, "rb") as probe:
            compressed = probe.read(2) == b"\x1f\x8b"  # some sources are gzipped without saying so
        if compressed:
            return gzip.open(path, "rt", encoding="utf-8")
        return open(path, encoding="utf-8")
    except OSError as error:
        fail(f"{path}: {error.strerror}")


def load_json(path):
    try:
        with open_text(path) as handle:
            return json.load(handle)
    except (ValueError, EOFError, OSError) as error:
        fail(f"{path}: damaged JSON: {error}")


def read_lines(path):
    """Yields (line number, text without the line end) of a text file."""
    try:
        with open_text(path) as handle:
            for number, line in enumerate(handle, 1):
                yield number, line.rstrip("\r\n")
    except (UnicodeDecodeError, EOFError, OSError) as error:
        fail(f"{path}: unreadable: {error}")


def write_atomically(path, text):
    folder = os.path.dirname(os.path.abspath(path))
    os.makedirs(folder, exist_ok=True)
    handle, temporary = tempfile.mkstemp(dir=folder, prefix=".tmp-")
    try:
        with os.fdopen(handle, "w", encoding="utf-8") as out:
            out.write(text)
        os.replace(temporary, path)
    except BaseException:
        os.unlink(temporary)
        raise

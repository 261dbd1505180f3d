"""Directions on the sky shared by the chart's data tools."""
import math


def unit(ra, dec):
    """Unit vector of right ascension and declination (or any longitude
    and latitude), degrees."""
    a, d = math.radians(ra), math.radians(dec)
    return (math.cos(d) * math.cos(a), math.cos(d) * math.sin(a), math.sin(d))


def angle(u, v):
    """Angle between two unit vectors, degrees."""
    dot = max(-1.0, min(1.0, sum(a * b for a, b in zip(u, v))))
    return math.degrees(math.acos(dot))

# Helpers for include.py: small functions of a file of their own, and a
# count that belongs to this file.
used = 0
def clamp(v, lo, hi):
    global used
    used += 1
    if v < lo:
        return lo
    if v > hi:
        return hi
    return v
def wrap(v, n):
    return (v % n + n) % n
def dist2(x1, y1, x2, y2):
    dx = x2 - x1
    dy = y2 - y1
    return dx * dx + dy * dy

# Functions from an include: a walk on a 64 x 64 torus, clamped, wrapped and
# measured by the helpers of lib/geometry.py.
import sys
sys.dont_write_bytecode = True
import lib.geometry as geometry
from lib.geometry import clamp, wrap, dist2
x = 0
y = 0
far = 0
for i in range(1000000):
    x = wrap(x + i % 7 - 2, 64)
    y = wrap(y + i % 5 - 1, 64)
    far = far + clamp(dist2(x, y, 32, 32), 100, 900) // 100
print(str(x) + " " + str(y) + " " + str(far) + " " + str(geometry.used))

# Mixed int and float: ints scaled by float literals, floats truncated back
# to ints, int quotients added to floats, and comparisons across the two.
f = 0.0
k = 0
g = 0.0
above = 0
for i in range(1000000):
    f = f + i % 8 * 0.125
    if f > 1000.0:
        f = f - 1000
    k = k + int(f) % 3 + i % 2
    g = k // 4 + 0.5
    if i * 0.375 < g:
        above += 1
    g = g - k // 4
print(str(k) + " " + str(above) + " " + str(int(f * 8)) + " " + "%.4f" % g)

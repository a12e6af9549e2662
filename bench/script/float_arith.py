# Float arithmetic: a cubic by Horner's rule on a sawtooth, two smoothed
# sums and a quotient by a variable.
t = 0.0
y = 0.0
z = 0.0
v = 0.0
for i in range(2000000):
    t = t + 0.0625
    if t >= 2.0:
        t = t - 2.0
    p = 2.0 * t - 3.0
    p = p * t + 1.5
    p = p * t - 0.25
    y = y * 0.75 + p / 8.0
    z = z + y * 0.5 - z / 4.0
    d = t + 1.0
    v = v * 0.5 + p * p / d
print(str(int(y * 10000.0)) + " " + str(int(z * 10000.0)) + " " + str(int(v * 10000.0)))

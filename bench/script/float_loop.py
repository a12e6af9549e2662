# Float loop: a sawtooth and a smoothed sum of it, with an if in every pass.
x = 0.0
s = 0.0
i = 0
while i < 30000000:
    x = x + 0.5
    if x > 100.0:
        x = x - 100.0
    s = s + x * 0.25 - s / 3.0
    i += 1
print(str(int(x)) + " " + str(int(s * 1000.0)))

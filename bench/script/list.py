l = []
for i in range(200000):
    l.append(i)
s = 0
for i in range(len(l)):
    s += l[i]
# The scene script's ints are 32 bits wide: the sum as it wraps there.
print((s + 2**31) % 2**32 - 2**31)

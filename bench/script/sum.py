s = 0
i = 0
while i < 1000000:
    s = s + i
    i += 1
# The scene script's ints are 32 bits wide: the sum as it wraps there.
print((s + 2**31) % 2**32 - 2**31)

local s = 0
for i = 0, 999999 do s = s + i end
-- The scene script's ints are 32 bits wide: the sum as it wraps there.
print((s + 2^31) % 2^32 - 2^31 | 0)

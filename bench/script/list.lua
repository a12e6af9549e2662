local l = {}
for i = 0, 199999 do l[#l + 1] = i end
local s = 0
for i = 1, #l do s = s + l[i] end
-- The scene script's ints are 32 bits wide: the sum as it wraps there.
print((s + 2^31) % 2^32 - 2^31 | 0)

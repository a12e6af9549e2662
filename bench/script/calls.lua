-- Calls: five million calls of a function of three arguments.
local function mix(a, b, c) return a + b % c end
local s = 0
for i = 0, 4999999 do s = mix(s, i, 7) end
print(s)

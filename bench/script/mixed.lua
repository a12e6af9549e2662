-- Mixed int and float: ints scaled by float literals, floats truncated back
-- to ints, int quotients added to floats, and comparisons across the two.
local f = 0.0
local k = 0
local g = 0.0
local above = 0
for i = 0, 999999 do
  f = f + i % 8 * 0.125
  if f > 1000.0 then f = f - 1000 end
  k = k + math.floor(f) % 3 + i % 2
  g = k // 4 + 0.5
  if i * 0.375 < g then above = above + 1 end
  g = g - k // 4
end
print(k .. " " .. above .. " " .. math.floor(f * 8) .. " " .. string.format("%.4f", g))

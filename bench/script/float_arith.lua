-- Float arithmetic: a cubic by Horner's rule on a sawtooth, two smoothed
-- sums and a quotient by a variable.
local t = 0.0
local y = 0.0
local z = 0.0
local v = 0.0
for i = 0, 1999999 do
  t = t + 0.0625
  if t >= 2.0 then t = t - 2.0 end
  local p = 2.0 * t - 3.0
  p = p * t + 1.5
  p = p * t - 0.25
  y = y * 0.75 + p / 8.0
  z = z + y * 0.5 - z / 4.0
  local d = t + 1.0
  v = v * 0.5 + p * p / d
end
local function trunc(x) return math.tointeger(x >= 0 and math.floor(x) or math.ceil(x)) end
print(trunc(y * 10000.0) .. " " .. trunc(z * 10000.0) .. " " .. trunc(v * 10000.0))

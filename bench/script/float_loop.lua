-- Float loop: a sawtooth and a smoothed sum of it, with an if in every pass.
local x = 0.0
local s = 0.0
local i = 0
while i < 30000000 do
  x = x + 0.5
  if x > 100.0 then x = x - 100.0 end
  s = s + x * 0.25 - s / 3.0
  i = i + 1
end
print(math.floor(x) .. " " .. math.floor(s * 1000.0))

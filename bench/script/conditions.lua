-- Comparisons and and / or in conditions, a bool kept in a variable and
-- negated.
local c1 = 0
local c2 = 0
local c3 = 0
local c4 = 0
for i = 0, 999999 do
  local a = i % 7
  local b = i % 11
  if a < 3 and b > 5 then c1 = c1 + 1 end
  if a == 0 or b == 0 then c2 = c2 + 1 end
  if (a >= b and a ~= 4) or b <= 1 then c3 = c3 + 1 else c3 = c3 - 1 end
  local big = a > b or b > 9
  if not big then c4 = c4 + 1 end
end
print(c1 .. " " .. c2 .. " " .. c3 .. " " .. c4)

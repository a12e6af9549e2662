-- Nested while loops: a triangle of pairs and a third loop inside every
-- tenth row.
local total = 0
local inner = 0
local i = 0
while i < 4000 do
  local j = 0
  while j < i do
    total = total + i * j % 7
    j = j + 1
  end
  if i % 10 == 0 then
    local k = 0
    while k < 200 do
      local m = 0
      while m < 10 do inner = inner + k - m; m = m + 1 end
      k = k + 1
    end
  end
  i = i + 1
end
print(total .. " " .. inner)

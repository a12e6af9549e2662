-- Bubble sort of 5,000 pseudo-random ints in a table, read and written in
-- nested for loops.
local n = 5000
local l = {}
local seed = 12345
for i = 0, n - 1 do
  seed = (seed * 1103 + 12345) % 65536
  l[#l + 1] = seed
end
for i = 0, n - 2 do
  for j = 1, n - 1 - i do
    local a = l[j]
    local b = l[j + 1]
    if a > b then
      l[j] = b
      l[j + 1] = a
    end
  end
end
print(l[1] .. " " .. l[n // 2 + 1] .. " " .. l[n])

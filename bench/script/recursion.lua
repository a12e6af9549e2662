-- Recursion: Takeuchi's function, the towers of Hanoi counted move by move,
-- and a List summed by a recursion 400 calls deep.
local function tak(x, y, z)
  if y < x then return tak(tak(x - 1, y, z), tak(y - 1, z, x), tak(z - 1, x, y)) end
  return z
end
local function hanoi(n, from, to, via)
  if n == 0 then return 0 end
  return hanoi(n - 1, from, via, to) + 1 + hanoi(n - 1, via, to, from)
end
local function sumFrom(l, i)
  if i == #l then return 0 end
  return l[i + 1] + sumFrom(l, i + 1)
end
local l = {}
for i = 0, 399 do l[#l + 1] = i % 17 end
local deep = 0
for r = 0, 1499 do deep = deep + sumFrom(l, 0) end
print(tak(22, 16, 8) .. " " .. hanoi(20, 1, 3, 2) .. " " .. deep)

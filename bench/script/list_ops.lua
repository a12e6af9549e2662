-- List add, get, set and remove, with negative indices: a queue of 32 that
-- takes its first element off and appends a new one, and a stack that grows
-- and shrinks at its end.
local q = {}
for i = 0, 31 do q[#q + 1] = i end
local stack = {}
local sum = 0
for i = 0, 299999 do
  local v = q[1]
  table.remove(q, 1)
  q[#q + 1] = (v + q[#q]) % 1000
  q[#q - 1] = q[#q - 1] + 1
  q[6] = q[6] % 97
  stack[#stack + 1] = v
  if #stack > 100 then
    for k = 0, 49 do sum = sum + stack[#stack]; table.remove(stack) end
  end
end
print(sum .. " " .. q[1] .. " " .. q[#q] .. " " .. #q .. " " .. #stack)

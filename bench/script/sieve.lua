-- Sieve of Eratosthenes: flags in a table of 2,000,000, read and set in
-- nested while loops, then counted.
local n = 2000000
local flags = {}
local i = 0
while i < n do flags[i + 1] = true; i = i + 1 end
i = 2
while i * i < n do
  if flags[i + 1] then
    local j = i * i
    while j < n do flags[j + 1] = false; j = j + i end
  end
  i = i + 1
end
local count = 0
i = 2
while i < n do
  if flags[i + 1] then count = count + 1 end
  i = i + 1
end
print(count)

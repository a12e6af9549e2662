local s = 0
local i = 0
while i < 2000000 do s = s + i % 7; i = i + 1 end
print(s)

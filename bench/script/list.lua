local l = {}
for i = 0, 199999 do l[#l + 1] = i end
local s = 0
for i = 1, #l do s = s + l[i] end
print(s)

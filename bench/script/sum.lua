local s = 0
for i = 0, 999999 do s = (s + i) & 0xffffffff end
print(s)

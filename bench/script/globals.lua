count = 0
total = 0
function step(k) count = count + 1; total = total + k % 5 end
for i = 0, 299999 do step(i) end
print(total)

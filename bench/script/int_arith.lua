-- Int arithmetic: a running hash and an accumulator of +, -, *, // and %.
local h = 7
local acc = 0
for i = 0, 3999999 do
  h = h * 31 + i % 1000
  h = h % 1000003
  acc = acc + h // 7 - h % 5 * 3
  if acc > 100000000 then acc = acc - 100000000 end
end
print(h .. " " .. acc)

-- Nested for loops: right triangles with legs below 250 found by a search
-- over the hypotenuse, and a sum over a square.
local count = 0
local sum = 0
for a = 1, 249 do
  for b = a, 249 do
    for c = b, 353 do
      if a * a + b * b == c * c then count = count + 1 end
    end
  end
end
for i = 0, 299 do
  for j = 0, 299 do sum = sum + i * j % 5 end
end
print(count .. " " .. sum)

-- Calls of functions with 0, 1, 2, 3 and 4 arguments.
base = 3
local function zero() return base end
local function one(a) return a + 1 end
local function two(a, b) return a - b end
local function three(a, b, c) return a + b - c end
local function four(a, b, c, d) return a * b + c - d end
local s = 100
for i = 0, 1499999 do
  s = s + zero() + one(i % 10) + two(i, 7) + three(i, 2, 1) + four(i % 10, 3, i, 5)
  s = s % 1000000
end
print(s)

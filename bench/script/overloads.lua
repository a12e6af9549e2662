-- Overloads: one name with 0, 1, 2 and 3 parameters, each called in turn.
-- Lua has no overloading by count; each form is a function of its own, as
-- the scene script resolves them.
local function size0() return 1 end
local function size1(r) return r * r * 3 end
local function size2(w, h) return w * h end
local function size3(a, b, c) return a * b + b * c + a * c end
local s = 0
for i = 0, 1999999 do
  local k = i % 20
  s = s + size0() + size1(k) - size2(k, 4) + size3(k, 2, 1)
  s = s % 999983
end
print(s)

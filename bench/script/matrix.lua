-- Lists of Lists: two 120 x 120 int matrices built row by row, their product,
-- and its trace and corner read through two indices.
local n = 120
local a = {}
local b = {}
for i = 0, n - 1 do
  local ra = {}
  local rb = {}
  for j = 0, n - 1 do
    ra[#ra + 1] = (i * 7 + j * 3) % 10
    rb[#rb + 1] = (i * j + 5) % 7 - 3
  end
  a[#a + 1] = ra
  b[#b + 1] = rb
end
local c = {}
for i = 1, n do
  local ai = a[i]
  local row = {}
  for j = 1, n do
    local s = 0
    for k = 1, n do s = s + ai[k] * b[k][j] end
    row[#row + 1] = s
  end
  c[#c + 1] = row
end
local trace = 0
for i = 1, n do trace = trace + c[i][i] end
print(trace .. " " .. c[1][n] .. " " .. c[n][1])

-- String joins and conversions: numbers to text and back (math.tointeger,
-- tonumber, tostring, string.format), and a line of digits joined piece by
-- piece.
local total = 0
local truths = 0
local line = ""
local h
for i = 0, 199999 do
  total = total + math.tointeger(tonumber(tostring(i * 3))) % 1000
  h = string.format("%.4f", i % 8 * 0.5)
  total = total + math.tointeger(tonumber(h) * 4.0)
  local f = tonumber(tostring(i % 100) .. ".25")
  total = total + math.tointeger(f * 4.0)
  if tostring(i % 3 == 0) == "true" then truths = truths + 1 end
  if i % 40 == 0 then line = "" end
  line = line .. tostring(i % 10) .. ","
end
print(total .. " " .. truths .. " " .. h .. " " .. line)

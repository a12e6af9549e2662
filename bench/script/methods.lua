local Translate = {}
Translate.__index = Translate
function Translate.new(x, y, z) return setmetatable({x = x, y = y, z = z}, Translate) end
function Translate:getX() return self.x end
function Translate:setX(v) self.x = v end
local t = Translate.new(0, 0, 0)
for i = 0, 199999 do t:setX(t:getX() + 1) end
print(string.format("%.4f", t:getX()))

-- Material methods in a loop: colours stepped and wrapped component by
-- component, alpha and shininess set from them, on a material and its clone.
-- The material is a small class with the scene script's methods.
local Material = {}
Material.__index = Material
function Material.new() return setmetatable({diffuse = {0.8, 0.8, 0.8}, specular = {0.0, 0.0, 0.0}, alpha = 1.0,
                                             shininess = 0.0}, Material) end
function Material:clone()
  return setmetatable({diffuse = {table.unpack(self.diffuse)}, specular = {table.unpack(self.specular)},
                       alpha = self.alpha, shininess = self.shininess}, Material)
end
function Material:getDiffuseX() return self.diffuse[1] end
function Material:getDiffuseY() return self.diffuse[2] end
function Material:setDiffuseX(v) self.diffuse[1] = v; return v end
function Material:setDiffuseY(v) self.diffuse[2] = v; return v end
function Material:getSpecularZ() return self.specular[3] end
function Material:setSpecularZ(v) self.specular[3] = v; return v end
function Material:getAplha() return self.alpha end
function Material:setAlpha(v) self.alpha = v; return v end
function Material:getShininess() return self.shininess end
function Material:setShininess(v) self.shininess = v; return v end

local m = Material.new()
local c = m:clone()
m:setDiffuseX(0.5)
m:setDiffuseY(0.0)
c:setShininess(0.0)
local wraps = 0
local sum = 0.0
for i = 0, 199999 do
  m:setDiffuseX(m:getDiffuseX() + 0.125)
  if m:getDiffuseX() > 1.0 then m:setDiffuseX(0.0); wraps = wraps + 1 end
  m:setDiffuseY(m:getDiffuseY() + m:getDiffuseX() / 4.0)
  if m:getDiffuseY() >= 8.0 then m:setDiffuseY(m:getDiffuseY() - 8.0) end
  local a = m:setAlpha(1.0 - m:getDiffuseX() / 2.0)
  c:setSpecularZ(a * 0.5)
  c:setShininess(c:getShininess() + c:getSpecularZ())
  if c:getShininess() > 128.0 then c:setShininess(0.0) end
  sum = sum + m:getAplha() - c:getSpecularZ()
  if sum > 1000.0 then sum = sum - 1000.0 end
end
local f = function(v) return string.format("%.4f", v) end
print(f(m:getDiffuseX()) .. " " .. f(m:getDiffuseY()) .. " " .. f(m:getAplha()) .. " " .. f(c:getShininess()) ..
      " " .. wraps .. " " .. f(sum))

-- Scene-node methods in a loop: a translation and a rotation moved, read back
-- and wrapped, a scale set from them, and a Group's children added, read and
-- removed. The nodes are small classes with the scene script's methods.
local Node = {}
Node.__index = Node
function Node.new(x, y, z, angle) return setmetatable({x = x, y = y, z = z, angle = angle}, Node) end
function Node:getX() return self.x end
function Node:getY() return self.y end
function Node:getZ() return self.z end
function Node:setX(v) self.x = v end
function Node:setY(v) self.y = v end
function Node:setZ(v) self.z = v end
function Node:getAngle() return self.angle end
function Node:setAngle(v) self.angle = v end

local Group = {}
Group.__index = Group
function Group.new(...) return setmetatable({children = {...}}, Group) end
local function slot(n, i) return (i % n + n) % n + 1 end
function Group:size() return #self.children end
function Group:add(node) self.children[#self.children + 1] = node end
function Group:get(i) return self.children[slot(#self.children, i)] end
function Group:remove(i) table.remove(self.children, slot(#self.children, i)) end

local t = Node.new(0.0, 0.0, 0.0, 0.0)
local r = Node.new(0.0, 1.0, 0.0, 0.0)
local sc = Node.new(1.0, 1.0, 1.0, 0.0)
local g = Group.new(t, r)
local turns = 0
for i = 0, 199999 do
  t:setX(t:getX() + 0.5)
  if t:getX() > 50.0 then t:setX(t:getX() - 100.0) end
  t:setY(t:getY() - 0.25)
  r:setAngle(r:getAngle() + 7.5)
  if r:getAngle() >= 360.0 then r:setAngle(r:getAngle() - 360.0); turns = turns + 1 end
  sc:setZ(t:getX() * 0.5 + 1.0)
  g:add(sc)
  g:get(-1):setY(r:getAngle() / 360.0)
  g:remove(-1)
end
local f = function(v) return string.format("%.4f", v) end
print(f(t:getX()) .. " " .. f(t:getY()) .. " " .. f(r:getAngle()) .. " " .. turns .. " " .. f(sc:getY()) .. " " ..
      f(sc:getZ()) .. " " .. g:size())

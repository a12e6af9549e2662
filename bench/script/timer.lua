-- A timer callback: the loop calls tick() as a timer manager would, once per
-- interval. The callback turns a node, counts frames in globals and keeps a
-- short history in a table.
local Node = {}
Node.__index = Node
function Node:getAngle() return self.angle end
function Node:setAngle(v) self.angle = v end
spin = setmetatable({angle = 0.0}, Node)
frames = 0
laps = 0
history = {}
function tick()
  frames = frames + 1
  spin:setAngle(spin:getAngle() + 2.5)
  if spin:getAngle() >= 360.0 then
    spin:setAngle(spin:getAngle() - 360.0)
    laps = laps + 1
  end
  history[#history + 1] = frames % 1000
  if #history > 16 then table.remove(history, 1) end
end
function done() laps = -1 end
local timer = {interval = 20, duration = -1, onTick = tick, onTimeout = done, running = true}
for i = 0, 499999 do tick() end
timer.running = false
print(frames .. " " .. laps .. " " .. string.format("%.4f", spin:getAngle()) .. " " .. history[1] .. " " ..
      history[#history] .. " " .. #history)

# A timer callback: the loop calls tick() as a timer manager would, once per
# interval. The callback turns a node, counts frames in globals and keeps a
# short history in a list.
class Node:
    def __init__(self):
        self.angle = 0.0
    def getAngle(self):
        return self.angle
    def setAngle(self, v):
        self.angle = v

spin = Node()
frames = 0
laps = 0
history = []
def tick():
    global frames, laps
    frames += 1
    spin.setAngle(spin.getAngle() + 2.5)
    if spin.getAngle() >= 360.0:
        spin.setAngle(spin.getAngle() - 360.0)
        laps += 1
    history.append(frames % 1000)
    if len(history) > 16:
        del history[0]
def done():
    global laps
    laps = -1
timer = {"interval": 20, "duration": -1, "onTick": tick, "onTimeout": done, "running": True}
for i in range(500000):
    tick()
timer["running"] = False
print("%d %d %.4f %d %d %d" % (frames, laps, spin.getAngle(), history[0], history[-1], len(history)))

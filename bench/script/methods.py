class Translate:
    def __init__(self, x, y, z):
        self.x, self.y, self.z = x, y, z
    def getX(self):
        return self.x
    def setX(self, v):
        self.x = v
t = Translate(0.0, 0.0, 0.0)
i = 0
while i < 200000:
    t.setX(t.getX() + 1)
    i += 1
print("%.4f" % t.getX())

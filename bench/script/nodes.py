# Scene-node methods in a loop: a translation and a rotation moved, read back
# and wrapped, a scale set from them, and a Group's children added, read and
# removed. The nodes are small classes with the scene script's methods.
class Node:
    def __init__(self, x, y, z, angle):
        self.x, self.y, self.z, self.angle = x, y, z, angle
    def getX(self):
        return self.x
    def getY(self):
        return self.y
    def getZ(self):
        return self.z
    def setX(self, v):
        self.x = v
    def setY(self, v):
        self.y = v
    def setZ(self, v):
        self.z = v
    def getAngle(self):
        return self.angle
    def setAngle(self, v):
        self.angle = v

class Group:
    def __init__(self, *children):
        self.children = list(children)
    def size(self):
        return len(self.children)
    def add(self, node):
        self.children.append(node)
    def get(self, i):
        return self.children[i % len(self.children)]
    def remove(self, i):
        del self.children[i % len(self.children)]

t = Node(0.0, 0.0, 0.0, 0.0)
r = Node(0.0, 1.0, 0.0, 0.0)
sc = Node(1.0, 1.0, 1.0, 0.0)
g = Group(t, r)
turns = 0
for i in range(200000):
    t.setX(t.getX() + 0.5)
    if t.getX() > 50.0:
        t.setX(t.getX() - 100.0)
    t.setY(t.getY() - 0.25)
    r.setAngle(r.getAngle() + 7.5)
    if r.getAngle() >= 360.0:
        r.setAngle(r.getAngle() - 360.0)
        turns += 1
    sc.setZ(t.getX() * 0.5 + 1.0)
    g.add(sc)
    g.get(-1).setY(r.getAngle() / 360.0)
    g.remove(-1)
print("%.4f %.4f %.4f %d %.4f %.4f %d" % (t.getX(), t.getY(), r.getAngle(), turns, sc.getY(), sc.getZ(), g.size()))

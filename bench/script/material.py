# Material methods in a loop: colours stepped and wrapped component by
# component, alpha and shininess set from them, on a material and its clone.
# The material is a small class with the scene script's methods.
class Material:
    def __init__(self):
        self.diffuse = [0.8, 0.8, 0.8]
        self.specular = [0.0, 0.0, 0.0]
        self.alpha = 1.0
        self.shininess = 0.0
    def clone(self):
        c = Material()
        c.diffuse = list(self.diffuse)
        c.specular = list(self.specular)
        c.alpha = self.alpha
        c.shininess = self.shininess
        return c
    def getDiffuseX(self):
        return self.diffuse[0]
    def getDiffuseY(self):
        return self.diffuse[1]
    def setDiffuseX(self, v):
        self.diffuse[0] = v
        return v
    def setDiffuseY(self, v):
        self.diffuse[1] = v
        return v
    def getSpecularZ(self):
        return self.specular[2]
    def setSpecularZ(self, v):
        self.specular[2] = v
        return v
    def getAplha(self):
        return self.alpha
    def setAlpha(self, v):
        self.alpha = v
        return v
    def getShininess(self):
        return self.shininess
    def setShininess(self, v):
        self.shininess = v
        return v

m = Material()
c = m.clone()
m.setDiffuseX(0.5)
m.setDiffuseY(0.0)
c.setShininess(0.0)
wraps = 0
sum = 0.0
for i in range(200000):
    m.setDiffuseX(m.getDiffuseX() + 0.125)
    if m.getDiffuseX() > 1.0:
        m.setDiffuseX(0.0)
        wraps += 1
    m.setDiffuseY(m.getDiffuseY() + m.getDiffuseX() / 4.0)
    if m.getDiffuseY() >= 8.0:
        m.setDiffuseY(m.getDiffuseY() - 8.0)
    a = m.setAlpha(1.0 - m.getDiffuseX() / 2.0)
    c.setSpecularZ(a * 0.5)
    c.setShininess(c.getShininess() + c.getSpecularZ())
    if c.getShininess() > 128.0:
        c.setShininess(0.0)
    sum = sum + m.getAplha() - c.getSpecularZ()
    if sum > 1000.0:
        sum = sum - 1000.0
print("%.4f %.4f %.4f %.4f %d %.4f" % (m.getDiffuseX(), m.getDiffuseY(), m.getAplha(), c.getShininess(), wraps, sum))

# Overloads: one name with 0, 1, 2 and 3 parameters, each called in turn.
# Python has no overloading by count; each form is a function of its own, as
# the scene script resolves them.
def size0():
    return 1
def size1(r):
    return r * r * 3
def size2(w, h):
    return w * h
def size3(a, b, c):
    return a * b + b * c + a * c
s = 0
for i in range(2000000):
    k = i % 20
    s = s + size0() + size1(k) - size2(k, 4) + size3(k, 2, 1)
    s = s % 999983
print(s)

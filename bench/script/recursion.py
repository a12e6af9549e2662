# Recursion: Takeuchi's function, the towers of Hanoi counted move by move,
# and a List summed by a recursion 400 calls deep.
def tak(x, y, z):
    if y < x:
        return tak(tak(x - 1, y, z), tak(y - 1, z, x), tak(z - 1, x, y))
    return z
def hanoi(n, frm, to, via):
    if n == 0:
        return 0
    return hanoi(n - 1, frm, via, to) + 1 + hanoi(n - 1, via, to, frm)
def sumFrom(l, i):
    if i == len(l):
        return 0
    return l[i] + sumFrom(l, i + 1)
l = []
for i in range(400):
    l.append(i % 17)
deep = 0
for r in range(1500):
    deep = deep + sumFrom(l, 0)
print(str(tak(22, 16, 8)) + " " + str(hanoi(20, 1, 3, 2)) + " " + str(deep))

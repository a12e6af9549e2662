l = []
for i in range(200000):
    l.append(i)
s = 0
for i in range(len(l)):
    s += l[i]
print(s)

# Bubble sort of 5,000 pseudo-random ints in a list, read and written in
# nested for loops.
n = 5000
l = []
seed = 12345
for i in range(n):
    seed = (seed * 1103 + 12345) % 65536
    l.append(seed)
for i in range(n - 1):
    for j in range(n - 1 - i):
        a = l[j]
        b = l[j + 1]
        if a > b:
            l[j] = b
            l[j + 1] = a
print(str(l[0]) + " " + str(l[n // 2]) + " " + str(l[-1]))

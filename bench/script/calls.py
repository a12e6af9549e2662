# Calls: five million calls of a function of three arguments.
def mix(a, b, c):
    return a + b % c
s = 0
for i in range(5000000):
    s = mix(s, i, 7)
print(s)

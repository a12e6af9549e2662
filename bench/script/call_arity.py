# Calls of functions with 0, 1, 2, 3 and 4 arguments.
base = 3
def zero():
    return base
def one(a):
    return a + 1
def two(a, b):
    return a - b
def three(a, b, c):
    return a + b - c
def four(a, b, c, d):
    return a * b + c - d
s = 100
for i in range(1500000):
    s = s + zero() + one(i % 10) + two(i, 7) + three(i, 2, 1) + four(i % 10, 3, i, 5)
    s = s % 1000000
print(s)

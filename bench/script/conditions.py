# Comparisons and and / or in conditions, a bool kept in a variable and
# negated.
c1 = 0
c2 = 0
c3 = 0
c4 = 0
for i in range(1000000):
    a = i % 7
    b = i % 11
    if a < 3 and b > 5:
        c1 += 1
    if a == 0 or b == 0:
        c2 += 1
    if (a >= b and a != 4) or b <= 1:
        c3 += 1
    else:
        c3 = c3 - 1
    big = a > b or b > 9
    if not big:
        c4 += 1
print(str(c1) + " " + str(c2) + " " + str(c3) + " " + str(c4))

# Nested for loops: right triangles with legs below 250 found by a search
# over the hypotenuse, and a sum over a square.
count = 0
sum = 0
for a in range(1, 250):
    for b in range(a, 250):
        for c in range(b, 354):
            if a * a + b * b == c * c:
                count += 1
for i in range(300):
    for j in range(300):
        sum = sum + i * j % 5
print(str(count) + " " + str(sum))

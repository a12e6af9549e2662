# Nested while loops: a triangle of pairs and a third loop inside every
# tenth row.
total = 0
inner = 0
i = 0
while i < 4000:
    j = 0
    while j < i:
        total = total + i * j % 7
        j += 1
    if i % 10 == 0:
        k = 0
        while k < 200:
            m = 0
            while m < 10:
                inner = inner + k - m
                m += 1
            k += 1
    i += 1
print(str(total) + " " + str(inner))

s = 0
i = 0
while i < 2000000:
    s = s + i % 7
    i += 1
print(s)

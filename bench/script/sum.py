s = 0
i = 0
while i < 1000000:
    s = s + i
    i += 1
print(s)

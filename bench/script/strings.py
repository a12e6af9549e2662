s = ""
i = 0
while i < 20000:
    s = s + str(i % 10) + ","
    i += 1
print(str(i))

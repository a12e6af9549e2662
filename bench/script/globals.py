count = 0
total = 0
def step(k):
    global count, total
    count = count + 1
    total = total + k % 5
i = 0
while i < 300000:
    step(i)
    i += 1
print(total)

# Int arithmetic: a running hash and an accumulator of +, -, *, // and %.
h = 7
acc = 0
for i in range(4000000):
    h = h * 31 + i % 1000
    h = h % 1000003
    acc = acc + h // 7 - h % 5 * 3
    if acc > 100000000:
        acc = acc - 100000000
print(str(h) + " " + str(acc))

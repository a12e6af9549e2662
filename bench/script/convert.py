# String joins and conversions: numbers to text and back (int, float, str,
# "%.4f"), and a line of digits joined piece by piece.
total = 0
truths = 0
line = ""
for i in range(200000):
    total = total + int(str(i * 3)) % 1000
    h = "%.4f" % (i % 8 * 0.5)
    total = total + int(float(h) * 4.0)
    f = float(str(i % 100) + ".25")
    total = total + int(f * 4.0)
    if ("true" if i % 3 == 0 else "false") == "true":
        truths += 1
    if i % 40 == 0:
        line = ""
    line = line + str(i % 10) + ","
print(str(total) + " " + str(truths) + " " + h + " " + line)

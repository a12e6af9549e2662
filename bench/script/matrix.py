# Lists of Lists: two 120 x 120 int matrices built row by row, their product,
# and its trace and corner read through two indices.
n = 120
a = []
b = []
for i in range(n):
    ra = []
    rb = []
    for j in range(n):
        ra.append((i * 7 + j * 3) % 10)
        rb.append((i * j + 5) % 7 - 3)
    a.append(ra)
    b.append(rb)
c = []
for i in range(n):
    ai = a[i]
    row = []
    for j in range(n):
        s = 0
        for k in range(n):
            s = s + ai[k] * b[k][j]
        row.append(s)
    c.append(row)
trace = 0
for i in range(n):
    trace = trace + c[i][i]
print(str(trace) + " " + str(c[0][-1]) + " " + str(c[-1][0]))

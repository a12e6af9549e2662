# List add, get, set and remove, with negative indices: a queue of 32 that
# takes its first element off and appends a new one, and a stack that grows
# and shrinks at its end.
q = []
for i in range(32):
    q.append(i)
stack = []
sum = 0
for i in range(300000):
    v = q[0]
    del q[0]
    q.append((v + q[-1]) % 1000)
    q[-2] = q[-2] + 1
    q[5] = q[5] % 97
    stack.append(v)
    if len(stack) > 100:
        for k in range(50):
            sum = sum + stack[-1]
            del stack[-1]
print(str(sum) + " " + str(q[0]) + " " + str(q[-1]) + " " + str(len(q)) + " " + str(len(stack)))

# Sieve of Eratosthenes: flags in a list of 2,000,000, read and set in
# nested while loops, then counted.
n = 2000000
flags = []
i = 0
while i < n:
    flags.append(True)
    i += 1
i = 2
while i * i < n:
    if flags[i]:
        j = i * i
        while j < n:
            flags[j] = False
            j = j + i
    i += 1
count = 0
i = 2
while i < n:
    if flags[i]:
        count += 1
    i += 1
print(count)

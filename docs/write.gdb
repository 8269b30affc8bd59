break 21
run
print *ptr = 42
continue

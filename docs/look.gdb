break 21
run
print ptr
print *ptr
print &number
print &ptr
print sizeof(number)
print sizeof(ptr)
x/4xb ptr

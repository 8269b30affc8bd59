break 21
run
print ptr
print *ptr
print &number
print &ptr
print sizeof(number)
print sizeof(ptr)
print alignof(int)
x/4xb ptr

// A function that changes its caller's variable through a pointer.
#include <iostream>
void add_one(int* p)
{
    *p = *p + 1; // follows p to the caller's int and changes that int
}
int main()
{
    int number = 10;
    add_one(&number);
    std::cout << "number : " << number << std::endl;
}

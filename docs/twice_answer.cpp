// A function that doubles its caller's int through a pointer.
#include <iostream>
void twice(int* p)
{
    *p = *p * 2; // the int that p points at, times two
}
int main()
{
    int number = 10;
    twice(&number);
    std::cout << "number : " << number << std::endl;
}

// q keeps pointing at b, which gets the value of a: a reference answer.
#include <iostream>
int main()
{
    int a = 1;
    int b = 2;
    int* p = &a;
    int* q = &b;
    *q = *p;
    *q = *q + 5;
    std::cout << "a : " << a << ", b : " << b << std::endl;
}

// The two lines that g++ lets through: a reference answer.
#include <iostream>
int main()
{
    int a = 1;
    int b = 2;
    const int* to_const = &a; // a can only be read through it
    int* const fixed = &a;    // it points at a for good
    to_const = &b;
    *fixed = 3;
    std::cout << "a : " << a << ", *to_const : " << *to_const << std::endl;
}

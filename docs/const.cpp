// Two pointers with const: which of them can change what?
#include <iostream>
int main()
{
    int a = 1;
    int b = 2;
    const int* to_const = &a; // a can only be read through it
    int* const fixed = &a;    // it points at a for good
    // Your four lines go here.
    std::cout << "a : " << a << ", *to_const : " << *to_const << std::endl;
}

// Two pointers with const: which of them can change what?
#include <iostream>
int main()
{
    int a = 1;
    int b = 2;
    const int* to_const = &a; // a pointer to a const int
    int* const fixed = &a;    // a const pointer to an int
    // Your four lines go here.
    std::cout << "a : " << a << ", *to_const : " << *to_const << std::endl;
}

// make_number returns the address of its own local variable.
#include <iostream>
int* make_number()
{
    int number = 10;
    return &number;
}
int main()
{
    int* ptr = make_number();
    std::cout << "ptr : " << static_cast<const void*>(ptr) << std::endl;
    std::cout << "*ptr : " << *ptr << std::endl;
}

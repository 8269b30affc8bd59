// The same function with a plain int parameter: n is a copy of its argument.
#include <iostream>
void add_one(int n)
{
    n = n + 1; // changes n, the function's own copy
}
int main()
{
    int number = 10;
    add_one(number);
    std::cout << "number : " << number << std::endl;
}

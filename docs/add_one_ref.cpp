// The same function with a reference: n is another name for the caller's int.
#include <iostream>
void add_one(int& n)
{
    n = n + 1; // changes the caller's int, with no * to write
}
int main()
{
    int number = 10;
    add_one(number);
    std::cout << "number : " << number << std::endl;
}

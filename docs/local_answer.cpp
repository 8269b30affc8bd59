// make_number returns a copy of its local variable's value: a reference answer.
#include <iostream>
int make_number()
{
    const int number = 10;
    return number;
}
int main()
{
    const int number = make_number();
    std::cout << "number : " << number << '\n';
}

// An array, and the pointer that it turns into when it is passed.
#include <iostream>
void print_size(const int numbers[])
{
    std::cout << "in print_size : " << sizeof(numbers) << '\n';
}
int main()
{
    int numbers[] = {10, 20, 30, 40};
    std::cout << "sizeof numbers : " << sizeof numbers << '\n';
    print_size(numbers);
}

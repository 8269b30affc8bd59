// The number of ints goes with the array, as a parameter of its own.
#include <cstddef>
#include <iostream>
#include <iterator>
void print_size(const int numbers[], std::size_t count)
{
    std::cout << "in print_size : " << count << " ints, the first " << *numbers
              << '\n';
}
int main()
{
    int numbers[] = {10, 20, 30, 40};
    std::cout << "sizeof numbers : " << sizeof numbers << '\n';
    print_size(numbers, std::size(numbers));
}

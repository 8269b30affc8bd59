// Walk an array with a pointer: print each number on a line of its own.
#include <iostream>
#include <iterator>
int main()
{
    int numbers[] = {10, 20, 30, 40};
    for (const int* p = std::begin(numbers); p != std::end(numbers); ++p) {
        std::cout << static_cast<const void*>(p) << " : " << *p << '\n';
    }
}

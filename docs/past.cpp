// Print each number of the array on a line of its own.
#include <iostream>
int main()
{
    int numbers[] = {10, 20, 30, 40};
    for (int i = 0; i <= 4; ++i) {
        std::cout << numbers[i] << '\n';
    }
}

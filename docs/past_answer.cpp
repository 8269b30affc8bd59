// Print each number of the array on a line of its own: a reference answer.
#include <iostream>
int main()
{
    const int numbers[] = {10, 20, 30, 40};
    for (const int number : numbers) {
        std::cout << number << '\n';
    }
}

// forget sets main's pointer to null, through its address: a reference answer.
#include <iostream>
void forget(int** p)
{
    *p = nullptr; // the pointer that p points at now points at nothing
}
int main()
{
    int number = 10;
    int* ptr = &number;
    forget(&ptr);
    if (ptr == nullptr) {
        std::cout << "ptr is null" << std::endl;
    } else {
        std::cout << "ptr points at " << *ptr << std::endl;
    }
}

// forget sets its pointer parameter to null. Is main's ptr null after it?
#include <iostream>
void forget(int* p)
{
    p = nullptr; // p now points at nothing
}
int main()
{
    int number = 10;
    int* ptr = &number;
    forget(ptr);
    if (ptr == nullptr) {
        std::cout << "ptr is null" << std::endl;
    } else {
        std::cout << "ptr points at " << *ptr << std::endl;
    }
}

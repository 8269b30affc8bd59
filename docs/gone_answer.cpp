// other lives as long as ptr is used: a reference answer.
#include <iostream>
int main()
{
    int* ptr = nullptr;
    int other = 20;
    ptr = &other;
    std::cout << "Ptr : " << static_cast<const void*>(ptr) << std::endl;
    std::cout << "*Ptr : " << *ptr << std::endl;
}

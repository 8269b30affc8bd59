// other lives as long as ptr is used: a reference answer.
#include <iostream>
int main()
{
    int other = 20;
    int* ptr = &other;
    std::cout << "Ptr : " << static_cast<const void*>(ptr) << '\n';
    std::cout << "*Ptr : " << *ptr << '\n';
}

// What std::cout does with a pointer to char: it prints text.
#include <iostream>
int main()
{
    const char* word = "hello";
    std::cout << word << std::endl;                           // the text
    std::cout << static_cast<const void*>(word) << std::endl; // the address
}

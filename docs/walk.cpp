// Walk an array with a pointer: print each number on a line of its own.
#include <iostream>
int main()
{
    int numbers[] = {10, 20, 30, 40};
    // Your loop goes here.
}

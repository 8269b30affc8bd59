// Swap the caller's two ints through pointers: write the body of swap.
#include <iostream>
void swap(int* a, int* b)
{
    // Your lines go here.
}
int main()
{
    int x = 1;
    int y = 2;
    swap(&x, &y);
    std::cout << "x : " << x << ", y : " << y << std::endl;
}

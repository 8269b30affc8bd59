// A swap that swaps its own pointers, not the ints they point at.
#include <iostream>
void swap(int* a, int* b)
{
    int* first = a;
    a = b;
    b = first;
}
int main()
{
    int x = 1;
    int y = 2;
    swap(&x, &y);
    std::cout << "x : " << x << ", y : " << y << std::endl;
}

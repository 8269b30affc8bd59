// Swap the caller's two ints through pointers: a reference answer.
#include <iostream>
void swap(int* a, int* b)
{
    const int first = *a; // keep the first int before it is overwritten
    *a = *b;
    *b = first;
}
int main()
{
    int x = 1;
    int y = 2;
    swap(&x, &y);
    std::cout << "x : " << x << ", y : " << y << std::endl;
}

// A swap that keeps the first int through a pointer of its own.
#include <iostream>
void swap(int* a, int* b)
{
    int* first;
    *first = *a;
    *a = *b;
    *b = *first;
}
int main()
{
    int x = 1;
    int y = 2;
    swap(&x, &y);
    std::cout << "x : " << x << ", y : " << y << std::endl;
}

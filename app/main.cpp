#include <cstdio>

int main()
{
    std::fputs("tarsel: the main window is not built yet.\n", stderr);
    return 1;
}

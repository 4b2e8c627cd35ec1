#include <cstdio>

int main()
{
    std::fputs("tarsel-console: the dialogue engine is not built yet.\n", stderr);
    return 1;
}

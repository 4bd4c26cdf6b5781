#include <cstdio>

int main() {
    std::puts("Tessarin");
    return 0;
}

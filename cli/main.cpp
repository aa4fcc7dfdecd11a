#include <cstdio>
int main() { std::puts("kivo-cli"); return 0; }

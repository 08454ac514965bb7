#include <cstdio>

int main() {
  std::fputs("vexaboard: not built yet\n", stderr);
  return 2;
}

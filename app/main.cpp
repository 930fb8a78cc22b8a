#include <cstdio>

int main() {
    std::printf("Velmora %s: the chat window is not built yet.\n", VELMORA_VERSION);
    return 0;
}

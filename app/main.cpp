#include <iostream>

int main() {
    std::cout << "Hello Realtime Rendering (WinApi version)" << std::endl;
    return 0;
}

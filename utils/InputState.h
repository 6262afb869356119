#pragma once

// Virtual-key codes the program uses.
enum VirtualKey : int {
    VK_ESC = 0x1B,
    VK_LEFT_ARROW = 0x25,
    VK_UP_ARROW = 0x26,
    VK_RIGHT_ARROW = 0x27,
    VK_DOWN_ARROW = 0x28,
    VK_DIGIT_2 = 0x32,
    VK_DIGIT_3 = 0x33,
    VK_LETTER_C = 0x43,
    VK_F1 = 0x70, // F1 ... F12: 0x70 ... 0x7B
    VK_F12 = 0x7B,
};

// Keyboard and mouse as the window's messages leave them, read by the frame update.
struct InputState {
    bool keys[256] = {}; // key-down flags by virtual-key code
    bool leftButtonDown = false;
    bool rightButtonDown = false;
    int cursorX = 0, cursorY = 0;
    int previousCursorX = 0, previousCursorY = 0;
    bool pathCameraToggle = false; // flipped by each release of C
    int releasedFunctionKey = 0;   // the last F key released (VK_F1 ...), 0 once the frame took it
};

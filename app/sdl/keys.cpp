// Virtual-key codes to and from SDL's keys, and the key state.
#include "app/sdl/keys.h"

#include "app/platform.h"

namespace {

struct KeyName {
    int virtualKey;
    SDL_Keycode key;
};

// Virtual-key codes besides letters and digits, which are their ASCII codes.
const KeyName namedKeys[] = {
    {0x08, SDLK_BACKSPACE}, {0x09, SDLK_TAB},       {0x0D, SDLK_RETURN},      {0x0D, SDLK_KP_ENTER},
    {0x10, SDLK_LSHIFT},    {0x10, SDLK_RSHIFT},    {0x11, SDLK_LCTRL},       {0x11, SDLK_RCTRL},
    {0x12, SDLK_LALT},      {0x12, SDLK_RALT},      {0x13, SDLK_PAUSE},       {0x14, SDLK_CAPSLOCK},
    {0x1B, SDLK_ESCAPE},    {0x20, SDLK_SPACE},     {0x21, SDLK_PAGEUP},      {0x22, SDLK_PAGEDOWN},
    {0x23, SDLK_END},       {0x24, SDLK_HOME},      {0x25, SDLK_LEFT},        {0x26, SDLK_UP},
    {0x27, SDLK_RIGHT},     {0x28, SDLK_DOWN},      {0x2D, SDLK_INSERT},      {0x2E, SDLK_DELETE},
    {0x60, SDLK_KP_0},      {0x61, SDLK_KP_1},      {0x62, SDLK_KP_2},        {0x63, SDLK_KP_3},
    {0x64, SDLK_KP_4},      {0x65, SDLK_KP_5},      {0x66, SDLK_KP_6},        {0x67, SDLK_KP_7},
    {0x68, SDLK_KP_8},      {0x69, SDLK_KP_9},      {0x6A, SDLK_KP_MULTIPLY}, {0x6B, SDLK_KP_PLUS},
    {0x6D, SDLK_KP_MINUS},  {0x6E, SDLK_KP_PERIOD}, {0x6F, SDLK_KP_DIVIDE},   {0x70, SDLK_F1},
    {0x71, SDLK_F2},        {0x72, SDLK_F3},        {0x73, SDLK_F4},          {0x74, SDLK_F5},
    {0x75, SDLK_F6},        {0x76, SDLK_F7},        {0x77, SDLK_F8},          {0x78, SDLK_F9},
    {0x79, SDLK_F10},       {0x7A, SDLK_F11},       {0x7B, SDLK_F12},
};

}  // namespace

namespace sdlport {

// The virtual-key code of an SDL key, or 0 for a key the program has no name for.
int virtualKeyOf(SDL_Keycode key) {
    if (key >= SDLK_a && key <= SDLK_z) return 'A' + static_cast<int>(key - SDLK_a);
    if (key >= SDLK_0 && key <= SDLK_9) return '0' + static_cast<int>(key - SDLK_0);
    for (const KeyName& entry : namedKeys)
        if (entry.key == key) return entry.virtualKey;
    return 0;
}

}  // namespace sdlport

namespace {

// Whether any key that carries this virtual-key code is down. Win32's key state
// follows the layout, so the key is found through its keycode, not its position.
bool virtualKeyDown(int virtualKey) {
    const Uint8* state = SDL_GetKeyboardState(nullptr);
    auto down = [state](SDL_Keycode key) {
        SDL_Scancode code = SDL_GetScancodeFromKey(key);
        return code != SDL_SCANCODE_UNKNOWN && state[code] != 0;
    };
    if (virtualKey >= 'A' && virtualKey <= 'Z') return down(SDLK_a + (virtualKey - 'A'));
    if (virtualKey >= '0' && virtualKey <= '9') return down(SDLK_0 + (virtualKey - '0'));
    bool any = false;
    for (const KeyName& entry : namedKeys)
        if (entry.virtualKey == virtualKey) any = any || down(entry.key);
    return any;
}

}  // namespace

bool platKeyHeld(int virtualKey) {
    if (!SDL_WasInit(SDL_INIT_VIDEO)) return false;
    return virtualKeyDown(virtualKey);
}

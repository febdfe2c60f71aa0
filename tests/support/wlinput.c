/* A person's mouse and keyboard on a wlroots compositor (sway), for the
 * end-to-end tests: input goes through the compositor to native Wayland and
 * Xwayland windows alike, the way a real device's does. XTest on an Xwayland
 * display would only move Xwayland's own pointer, which no user's compositor
 * ever does.
 *
 * Reads commands on standard input, one a line, and prints "done N" on
 * standard output once the compositor has taken command N (a round trip):
 *
 *   rel DX DY          relative motion, as a mouse reports it
 *   abs X Y W H        absolute motion to (X, Y) of a W x H layout
 *   btn CODE STATE     a button (evdev code, 272 left) pressed (1) or released (0)
 *   down CODE | up CODE | tap CODE
 *                      a key by evdev code (1 Escape, 17 W, 28 Return)
 *
 * Uses zwlr_virtual_pointer_manager_v1 and zwp_virtual_keyboard_manager_v1
 * (keymap "us"). Exit code 0 at the end of input, 2 without a compositor, 3
 * when the compositor lacks either protocol. */
#define _GNU_SOURCE
#include <stdio.h>
#include <string.h>
#include <sys/mman.h>
#include <time.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include "virtual-keyboard-client.h"
#include "virtual-pointer-client.h"

static struct zwlr_virtual_pointer_manager_v1* pointerManager;
static struct zwp_virtual_keyboard_manager_v1* keyboardManager;
static struct wl_seat* seat;

static void announce(void* data, struct wl_registry* registry, uint32_t name, const char* interface,
                     uint32_t version) {
    (void)data;
    (void)version;
    if (!strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name))
        pointerManager =
            wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1);
    else if (!strcmp(interface, zwp_virtual_keyboard_manager_v1_interface.name))
        keyboardManager =
            wl_registry_bind(registry, name, &zwp_virtual_keyboard_manager_v1_interface, 1);
    else if (!strcmp(interface, wl_seat_interface.name) && !seat)
        seat = wl_registry_bind(registry, name, &wl_seat_interface, 1);
}

static void withdraw(void* data, struct wl_registry* registry, uint32_t name) {
    (void)data;
    (void)registry;
    (void)name;
}

static const struct wl_registry_listener registryListener = {announce, withdraw};

/* Event times, strictly increasing as a real device's are: SDL drops XInput2
 * raw motion that repeats the time and the delta of the event before it. */
static uint32_t milliseconds(void) {
    static uint32_t last;
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    uint32_t time = (uint32_t)(now.tv_sec * 1000 + now.tv_nsec / 1000000);
    last = time > last ? time : last + 1;
    return last;
}

/* The "us" keymap in a memory file, as the protocol hands keymaps over. */
static int keymapFile(uint32_t* size) {
    struct xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    struct xkb_rule_names names = {"evdev", "pc105", "us", "", ""};
    struct xkb_keymap* keymap = context ? xkb_keymap_new_from_names(context, &names, 0) : NULL;
    char* text = keymap ? xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1) : NULL;
    int fd = text ? memfd_create("keymap", 0) : -1;
    *size = text ? (uint32_t)strlen(text) + 1 : 0;
    if (fd >= 0 && write(fd, text, *size) != (ssize_t)*size) {
        close(fd);
        fd = -1;
    }
    return fd;
}

int main(void) {
    struct wl_display* display = wl_display_connect(NULL);
    if (!display) {
        fprintf(stderr, "wlinput: no Wayland compositor\n");
        return 2;
    }
    struct wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registryListener, NULL);
    wl_display_roundtrip(display);
    uint32_t keymapSize = 0;
    int keymap = keymapFile(&keymapSize);
    if (!pointerManager || !keyboardManager || !seat || keymap < 0) {
        fprintf(stderr, "wlinput: the compositor offers no virtual pointer or keyboard\n");
        return 3;
    }
    struct zwlr_virtual_pointer_v1* pointer =
        zwlr_virtual_pointer_manager_v1_create_virtual_pointer(pointerManager, seat);
    struct zwp_virtual_keyboard_v1* keyboard =
        zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(keyboardManager, seat);
    zwp_virtual_keyboard_v1_keymap(keyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, keymap, keymapSize);
    wl_display_roundtrip(display);

    setvbuf(stdout, NULL, _IOLBF, 0);
    char line[256];
    unsigned long count = 0;
    while (fgets(line, sizeof line, stdin)) {
        double dx, dy;
        unsigned a, b, c, d;
        if (sscanf(line, "rel %lf %lf", &dx, &dy) == 2) {
            zwlr_virtual_pointer_v1_motion(pointer, milliseconds(), wl_fixed_from_double(dx),
                                           wl_fixed_from_double(dy));
            zwlr_virtual_pointer_v1_frame(pointer);
        } else if (sscanf(line, "abs %u %u %u %u", &a, &b, &c, &d) == 4) {
            zwlr_virtual_pointer_v1_motion_absolute(pointer, milliseconds(), a, b, c, d);
            zwlr_virtual_pointer_v1_frame(pointer);
        } else if (sscanf(line, "btn %u %u", &a, &b) == 2) {
            zwlr_virtual_pointer_v1_button(pointer, milliseconds(), a, b);
            zwlr_virtual_pointer_v1_frame(pointer);
        } else if (sscanf(line, "down %u", &a) == 1) {
            zwp_virtual_keyboard_v1_key(keyboard, milliseconds(), a, 1);
        } else if (sscanf(line, "up %u", &a) == 1) {
            zwp_virtual_keyboard_v1_key(keyboard, milliseconds(), a, 0);
        } else if (sscanf(line, "tap %u", &a) == 1) {
            /* Held long enough for a client that polls the key state per frame. */
            zwp_virtual_keyboard_v1_key(keyboard, milliseconds(), a, 1);
            wl_display_roundtrip(display);
            usleep(60000);
            zwp_virtual_keyboard_v1_key(keyboard, milliseconds(), a, 0);
        } else {
            fprintf(stderr, "wlinput: ignored: %s", line);
        }
        if (wl_display_roundtrip(display) < 0) {
            fprintf(stderr, "wlinput: the compositor went away\n");
            return 2;
        }
        printf("done %lu\n", ++count);
    }
    zwlr_virtual_pointer_v1_destroy(pointer);
    zwp_virtual_keyboard_v1_destroy(keyboard);
    wl_display_roundtrip(display);
    wl_display_disconnect(display);
    return 0;
}

/* A person's mouse and keyboard on a wlroots compositor (sway) or on KWin,
 * for the end-to-end tests: input goes through the compositor to native
 * Wayland and Xwayland windows alike, the way a real device's does. XTest on
 * an Xwayland display would only move Xwayland's own pointer, which no user's
 * compositor ever does.
 *
 * Reads commands on standard input, one a line, and prints "done N" on
 * standard output once the compositor has taken command N (a round trip):
 *
 *   rel DX DY [COUNT [GAP_MS]]
 *                      relative motion, as a mouse reports it; COUNT times
 *                      in one burst, or GAP_MS apart
 *   abs X Y W H        absolute motion to (X, Y) of a W x H layout
 *   btn CODE STATE     a button (evdev code, 272 left) pressed (1) or released (0)
 *   down CODE | up CODE | tap CODE
 *                      a key by evdev code (1 Escape, 17 W, 28 Return)
 *   shot FILE          KWin only: what the output shows, as a PPM picture
 *
 * Uses zwlr_virtual_pointer_manager_v1 and zwp_virtual_keyboard_manager_v1
 * (keymap "us"), or KWin's org_kde_kwin_fake_input, which KWin offers only to
 * programs a .desktop file allows (X-KDE-Wayland-Interfaces); the same file
 * allows org.kde.KWin.ScreenShot2 over D-Bus (X-KDE-DBUS-Restricted-Interfaces),
 * which KWin grants by the caller's executable, so no script can use it.
 * Exit code 0 at the end of input, 2 without a compositor, 3 when the
 * compositor lacks the protocols. */
#define _GNU_SOURCE
#include <gio/gio.h>
#include <gio/gunixfdlist.h>
#include <stdio.h>
#include <string.h>
#include <sys/mman.h>
#include <time.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include "fake-input-client.h"
#include "virtual-keyboard-client.h"
#include "virtual-pointer-client.h"

static struct zwlr_virtual_pointer_manager_v1* pointerManager;
static struct zwp_virtual_keyboard_manager_v1* keyboardManager;
static struct wl_seat* seat;
static struct org_kde_kwin_fake_input* fakeInput;

static void announce(void* data, struct wl_registry* registry, uint32_t name, const char* interface,
                     uint32_t version) {
    (void)data;
    if (!strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name))
        pointerManager =
            wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1);
    else if (!strcmp(interface, zwp_virtual_keyboard_manager_v1_interface.name))
        keyboardManager =
            wl_registry_bind(registry, name, &zwp_virtual_keyboard_manager_v1_interface, 1);
    else if (!strcmp(interface, org_kde_kwin_fake_input_interface.name) && version >= 4)
        fakeInput = wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, 4);
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

/* What KWin's output shows, saved as a binary PPM: ScreenShot2 writes the raw
 * image (QImage 32-bit, 0xAARRGGBB words) to a pipe and says its shape. */
static int screenshot(const char* path) {
    int ends[2];
    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, NULL, NULL);
    if (!bus || pipe(ends) < 0) return 0;
    GUnixFDList* fds = g_unix_fd_list_new_from_array(&ends[1], 1);
    GVariantBuilder options;
    g_variant_builder_init(&options, G_VARIANT_TYPE("a{sv}"));
    GVariant* reply = g_dbus_connection_call_with_unix_fd_list_sync(
        bus, "org.kde.KWin", "/org/kde/KWin/ScreenShot2", "org.kde.KWin.ScreenShot2",
        "CaptureActiveScreen", g_variant_new("(a{sv}h)", &options, 0), NULL, G_DBUS_CALL_FLAGS_NONE,
        10000, fds, NULL, NULL, NULL);
    g_object_unref(fds);
    guint32 width = 0, height = 0, stride = 0;
    if (reply) {
        GVariant* shape = g_variant_get_child_value(reply, 0);
        g_variant_lookup(shape, "width", "u", &width);
        g_variant_lookup(shape, "height", "u", &height);
        g_variant_lookup(shape, "stride", "u", &stride);
        g_variant_unref(shape);
        g_variant_unref(reply);
    }
    size_t size = (size_t)stride * height, got = 0;
    unsigned char* pixels = g_malloc(size ? size : 1);
    ssize_t n = 1;
    while (got < size && (n = read(ends[0], pixels + got, size - got)) > 0) got += (size_t)n;
    close(ends[0]);
    FILE* file = got == size && size ? fopen(path, "wb") : NULL;
    if (file) {
        fprintf(file, "P6\n%u %u\n255\n", width, height);
        for (size_t y = 0; y < height; y++)
            for (size_t x = 0; x < width; x++) {
                const unsigned char* p = pixels + y * stride + x * 4;
                unsigned char rgb[3] = {p[2], p[1], p[0]};
                fwrite(rgb, 1, 3, file);
            }
        fclose(file);
    }
    g_free(pixels);
    g_object_unref(bus);
    return file != NULL;
}

/* Relative motion, through whichever protocol the compositor offers. */
static void motion(struct zwlr_virtual_pointer_v1* pointer, double dx, double dy) {
    if (!pointer) {
        org_kde_kwin_fake_input_pointer_motion(fakeInput, wl_fixed_from_double(dx),
                                               wl_fixed_from_double(dy));
        return;
    }
    zwlr_virtual_pointer_v1_motion(pointer, milliseconds(), wl_fixed_from_double(dx),
                                   wl_fixed_from_double(dy));
    zwlr_virtual_pointer_v1_frame(pointer);
}

/* A key by evdev code, pressed (1) or released (0). */
static void key(struct zwp_virtual_keyboard_v1* keyboard, unsigned code, unsigned state) {
    if (keyboard)
        zwp_virtual_keyboard_v1_key(keyboard, milliseconds(), code, state);
    else
        org_kde_kwin_fake_input_keyboard_key(fakeInput, code, state);
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
    struct zwlr_virtual_pointer_v1* pointer = NULL;
    struct zwp_virtual_keyboard_v1* keyboard = NULL;
    if (pointerManager && keyboardManager && seat) {
        uint32_t keymapSize = 0;
        int keymap = keymapFile(&keymapSize);
        if (keymap < 0) {
            fprintf(stderr, "wlinput: no keymap\n");
            return 3;
        }
        pointer = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(pointerManager, seat);
        keyboard = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(keyboardManager, seat);
        zwp_virtual_keyboard_v1_keymap(keyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, keymap,
                                       keymapSize);
    } else if (fakeInput) {
        org_kde_kwin_fake_input_authenticate(fakeInput, "merrowind tests", "a test's input");
    } else {
        fprintf(stderr, "wlinput: the compositor offers no virtual pointer or keyboard\n");
        return 3;
    }
    wl_display_roundtrip(display);

    setvbuf(stdout, NULL, _IOLBF, 0);
    char line[256], path[200];
    unsigned long count = 0;
    while (fgets(line, sizeof line, stdin)) {
        double dx, dy;
        unsigned a, b, c, d;
        int given = sscanf(line, "rel %lf %lf %u %u", &dx, &dy, &a, &b);
        if (given >= 2) {
            for (unsigned i = 0; i < (given >= 3 ? a : 1); i++) {
                motion(pointer, dx, dy);
                if (given == 4 && wl_display_flush(display) >= 0) usleep(b * 1000);
            }
        } else if (sscanf(line, "abs %u %u %u %u", &a, &b, &c, &d) == 4) {
            /* KWin takes the position in the layout's pixels: W x H are those. */
            if (pointer) {
                zwlr_virtual_pointer_v1_motion_absolute(pointer, milliseconds(), a, b, c, d);
                zwlr_virtual_pointer_v1_frame(pointer);
            } else {
                org_kde_kwin_fake_input_pointer_motion_absolute(fakeInput, wl_fixed_from_int(a),
                                                                wl_fixed_from_int(b));
            }
        } else if (sscanf(line, "btn %u %u", &a, &b) == 2) {
            if (pointer) {
                zwlr_virtual_pointer_v1_button(pointer, milliseconds(), a, b);
                zwlr_virtual_pointer_v1_frame(pointer);
            } else {
                org_kde_kwin_fake_input_button(fakeInput, a, b);
            }
        } else if (sscanf(line, "down %u", &a) == 1) {
            key(keyboard, a, 1);
        } else if (sscanf(line, "up %u", &a) == 1) {
            key(keyboard, a, 0);
        } else if (sscanf(line, "tap %u", &a) == 1) {
            /* Held long enough for a client that polls the key state per frame. */
            key(keyboard, a, 1);
            wl_display_roundtrip(display);
            usleep(60000);
            key(keyboard, a, 0);
        } else if (sscanf(line, "shot %199s", path) == 1) {
            if (!screenshot(path)) fprintf(stderr, "wlinput: no screenshot from KWin\n");
        } else {
            fprintf(stderr, "wlinput: ignored: %s", line);
        }
        if (wl_display_roundtrip(display) < 0) {
            fprintf(stderr, "wlinput: the compositor went away\n");
            return 2;
        }
        printf("done %lu\n", ++count);
    }
    wl_display_disconnect(display);
    return 0;
}

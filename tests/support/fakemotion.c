/* Drives the X pointer and windows the way a person would, for the end-to-end
 * tests.
 *
 *   fakemotion X Y            move the pointer to screen (X, Y) through XTest, so
 *                             the program sees it as real mouse motion (a warp
 *                             by another client, as xdotool makes, is not)
 *   fakemotion --where        print the pointer's screen position as "X Y"
 *   fakemotion --close ID     ask window ID to close, as a window manager's
 *                             close button does (WM_DELETE_WINDOW)
 *   fakemotion --windows      list the top-level windows (and the clients in a
 *                             window manager's frames), one a line:
 *                             "ID STATE X Y WIDTH HEIGHT NAME", STATE being
 *                             viewable or hidden. xdotool search cannot match
 *                             SDL's message boxes: their names are UTF8_STRING.
 *   fakemotion --frames ID    print "watching", then a line for each picture
 *                             put into window ID (X DAMAGE), until killed: the
 *                             frames a person sees, however the title changes
 *
 * Exit code 0 on success, 1 on failure, 2 on bad usage. */
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xdamage.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int usage(void) {
    fprintf(
        stderr,
        "usage: fakemotion X Y | --where | --windows | --close WINDOW_ID | --frames WINDOW_ID\n");
    return 2;
}

static int parseNumber(const char* text, long* value) {
    char* end = NULL;
    *value = strtol(text, &end, 0);
    return end != text && *end == '\0';
}

static int movePointer(Display* display, long x, long y) {
    int eventBase, errorBase, major, minor;
    if (!XTestQueryExtension(display, &eventBase, &errorBase, &major, &minor)) {
        fprintf(stderr, "fakemotion: the X server has no XTEST extension\n");
        return 1;
    }
    XTestFakeMotionEvent(display, -1, (int)x, (int)y, CurrentTime);
    XSync(display, False);
    return 0;
}

static int printPointer(Display* display) {
    Window root, child;
    int rootX, rootY, windowX, windowY;
    unsigned int buttons;
    if (!XQueryPointer(display, DefaultRootWindow(display), &root, &child, &rootX, &rootY, &windowX,
                       &windowY, &buttons))
        return 1;
    printf("%d %d\n", rootX, rootY);
    return 0;
}

/* The window's title: _NET_WM_NAME if set, else WM_NAME; empty when none. */
static void printName(Display* display, Window window) {
    Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    Atom netName = XInternAtom(display, "_NET_WM_NAME", False);
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = NULL;
    if (XGetWindowProperty(display, window, netName, 0, 1024, False, utf8, &type, &format, &count,
                           &after, &data) == Success &&
        data && type == utf8) {
        printf("%.*s", (int)count, (const char*)data);
        XFree(data);
        return;
    }
    if (data) XFree(data);
    char* name = NULL;
    if (XFetchName(display, window, &name) && name) {
        printf("%s", name);
        XFree(name);
    }
}

/* One line of the listing; X and Y are the window's outer corner on the screen. */
static void printWindow(Display* display, Window window) {
    XWindowAttributes attributes;
    Window child;
    int x, y;
    if (!XGetWindowAttributes(display, window, &attributes) ||
        !XTranslateCoordinates(display, window, attributes.root, 0, 0, &x, &y, &child))
        return;
    printf("0x%lx %s %d %d %d %d ", (unsigned long)window,
           attributes.map_state == IsViewable ? "viewable" : "hidden", x - attributes.border_width,
           y - attributes.border_width, attributes.width, attributes.height);
    printName(display, window);
    printf("\n");
}

/* A window gone between the listing and the look at it is left out. */
static int ignoreError(Display* display, XErrorEvent* error) {
    (void)display;
    (void)error;
    return 0;
}

/* The clients a window manager keeps inside its frames (its _NET_CLIENT_LIST),
 * then the root's children. Clients come first because a frame can carry its
 * client's name (mutter 48's frames, drawn by a client of their own), and a
 * search by name must find the window that takes the focus. That list is read
 * here rather than through `wmctrl -l`: wmctrl 1.07 (Debian 13) crashes on a
 * window without WM_CLIENT_MACHINE, as SDL's message box is. */
static int listWindows(Display* display) {
    Window root, parent, *children = NULL;
    unsigned int count = 0;
    XSetErrorHandler(ignoreError);
    Atom type;
    int format;
    unsigned long clients = 0, after;
    unsigned char* data = NULL;
    if (XGetWindowProperty(display, DefaultRootWindow(display),
                           XInternAtom(display, "_NET_CLIENT_LIST", False), 0, 4096, False,
                           XA_WINDOW, &type, &format, &clients, &after, &data) == Success &&
        data && type == XA_WINDOW && format == 32)
        for (unsigned long i = 0; i < clients; ++i) printWindow(display, ((Window*)data)[i]);
    if (data) XFree(data);

    if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count))
        return 1;
    for (unsigned int i = 0; i < count; ++i) printWindow(display, children[i]);
    if (children) XFree(children);
    return 0;
}

static int closeWindow(Display* display, Window window) {
    XEvent event;
    memset(&event, 0, sizeof event);
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = (long)XInternAtom(display, "WM_DELETE_WINDOW", False);
    event.xclient.data.l[1] = CurrentTime;
    if (!XSendEvent(display, window, False, NoEventMask, &event)) return 1;
    XSync(display, False);
    return 0;
}

/* One line per picture: a frame's swap puts the whole picture at once, and the
 * damage is taken away after each report. Frames drawn faster than this reads
 * them may share a line; only the server's own painting of a resized or newly
 * shown window adds one that no frame drew. */
static int watchFrames(Display* display, Window window) {
    int eventBase, errorBase;
    if (!XDamageQueryExtension(display, &eventBase, &errorBase)) {
        fprintf(stderr, "fakemotion: the X server has no DAMAGE extension\n");
        return 1;
    }
    /* The server counts a shown window as wholly damaged when watching starts,
     * and reports it once; that report is thrown away before the damage is
     * taken, never after. A frame drawn between taking it and throwing the
     * report away would leave damage that nothing takes, and a spy that
     * reports only a change from none would see no frame again: the missed
     * frames of a case now and then, under SDL 3 (which writes no title to
     * count instead) a failed case. */
    Damage damage = XDamageCreate(display, window, XDamageReportNonEmpty);
    /* What becomes of the window goes to standard error, for a failing test to
     * show: a picture spy that saw nothing must say whether there was a window. */
    XSelectInput(display, window, StructureNotifyMask);
    XSync(display, False);
    XEvent event;
    while (XCheckTypedEvent(display, eventBase + XDamageNotify, &event)) continue;
    XDamageSubtract(display, damage, None, None);
    printf("watching\n");
    for (;;) {
        fflush(stdout);
        XNextEvent(display, &event);
        if (event.type == MapNotify || event.type == UnmapNotify || event.type == DestroyNotify)
            fprintf(stderr, "fakemotion: window %s\n",
                    event.type == MapNotify     ? "mapped"
                    : event.type == UnmapNotify ? "unmapped"
                                                : "destroyed");
        if (event.type != eventBase + XDamageNotify) continue;
        XDamageSubtract(display, damage, None, None);
        printf("frame\n");
    }
}

int main(int argc, char** argv) {
    long a = 0, b = 0;
    int mode;
    if (argc == 3 && strcmp(argv[1], "--close") == 0 && parseNumber(argv[2], &a))
        mode = 'c';
    else if (argc == 3 && strcmp(argv[1], "--frames") == 0 && parseNumber(argv[2], &a))
        mode = 'f';
    else if (argc == 2 && strcmp(argv[1], "--where") == 0)
        mode = 'w';
    else if (argc == 2 && strcmp(argv[1], "--windows") == 0)
        mode = 'l';
    else if (argc == 3 && parseNumber(argv[1], &a) && parseNumber(argv[2], &b))
        mode = 'm';
    else
        return usage();

    Display* display = XOpenDisplay(NULL);
    if (!display) {
        fprintf(stderr, "fakemotion: cannot open display\n");
        return 1;
    }
    int result = mode == 'c'   ? closeWindow(display, (Window)a)
                 : mode == 'w' ? printPointer(display)
                 : mode == 'l' ? listWindows(display)
                 : mode == 'f' ? watchFrames(display, (Window)a)
                               : movePointer(display, a, b);
    XCloseDisplay(display);
    return result;
}

#!/usr/bin/env bash
# Where no message box can be drawn, no display exists or no OpenGL is offered,
# the person who started the program is still told, and nothing is decided
# for them: an unanswerable full-screen question means a framed window.
source "$(dirname "$0")/lib.sh"

QUESTION="Click Yes to go to full screen (Recommended)"

# Standard error of the last run.
program_errors() { cat "$E2E_TMP/program$E2E_RUNS.log"; }
expect_said() {
    grep -qF -- "$1" "$E2E_TMP/program$E2E_RUNS.log" ||
        e2e_fail "$2: standard error lacks '$1'"
}

# --- An X server without core fonts, no zenity: SDL 2 cannot draw its box ----
# there, SDL 3 (under sdl2-compat) draws it with its own font, to be answered.
e2e_start_xvfb 1024x768 -fp built-ins
e2e_make_assets "$E2E_TMP/fonts"
: >"$E2E_TMP/fonts/texture3/Top.bmp"
e2e_start_program "$E2E_TMP/fonts" PATH=/nonexistent
e2e_wait_until 30 _e2e_box_shown 1 || e2e_fail "the question was not asked"
drawn=$(grep -c 'libSDL3' "/proc/$E2E_PID/maps")
[ "$drawn" = 0 ] || e2e_answer_box_text Options "$QUESTION" Escape
win=$(e2e_main_window)
[ "$drawn" = 0 ] || e2e_answer_box_text Error "Failed to open DIB file texture3/Top.bmp. " Return
e2e_wait_title "$win" '^PosX=' >/dev/null
e2e_expect_eq "0 0 800 600" "$(e2e_geometry "$win")" "unanswered question: the framed window"
e2e_borderless "$win" && e2e_fail "an unanswered question switched to full screen"
e2e_expect_eq "1024 768 24" "$(e2e_screen)" "the screen after an unanswered question"
e2e_key "$win" Escape
e2e_wait_exit 30
e2e_expect_eq 0 "$E2E_EXIT_CODE" "exit code after Escape"
if [ "$drawn" != 0 ]; then
    program_errors | grep -q 'could not be shown' && e2e_fail "a drawn box said unshown: $(program_errors)"
else
    expect_said "Options: $QUESTION" "the question"
    expect_said "no answer, taken as No" "the question's outcome"
    expect_said "Error: Failed to open DIB file texture3/Top.bmp." "the empty file"
    # The cause is named, and zenity, which was never the way here, is not.
    [ "$(grep -c 'could not be shown: the X server has no core fonts to draw it with; the package xfonts-base brings them' "$E2E_TMP/program$E2E_RUNS.log")" = 2 ] ||
        e2e_fail "each unshown box names the missing fonts: $(program_errors)"
    program_errors | grep -q zenity && e2e_fail "zenity named where it was not the way: $(program_errors)"
fi
kill "$E2E_XSERVER_PID" && wait "$E2E_XSERVER_PID" 2>/dev/null
E2E_XSERVER_PID=

# --- No display at all: says so and ends with 1, at once ----------------------
e2e_start_program "$E2E_TMP/fonts" DISPLAY= WAYLAND_DISPLAY= XDG_RUNTIME_DIR=
e2e_wait_exit 10
e2e_expect_eq 1 "$E2E_EXIT_CODE" "exit code without a display"
expect_said "neither DISPLAY nor WAYLAND_DISPLAY is set" "no display"
expect_said "Options: $QUESTION" "the question without a display"
e2e_expect_eq "merrowind: Options: $QUESTION" "$(head -n1 "$E2E_TMP/program$E2E_RUNS.log")" \
    "the first line without a display"

# --- No OpenGL: an X server without GLX, and a GLX server whose GL library ----
# the program cannot load (SDL loads it at run time). Either way the
# pixel-format failure, then a clean exit. Hiding Mesa's drivers
# (LIBGL_DRIVERS_PATH) no longer takes GL away on Mesa 25, whose drivers are
# linked in, nor does naming a GLX vendor that does not exist (libglvnd falls
# back to the server's): the library itself is the one thing all releases load.
no_opengl() {
    e2e_start_program "$E2E_TMP/fonts" "$@"
    e2e_answer_box_text Options "$QUESTION" Escape
    e2e_answer_box_text Error "ChoosePixelFormat failed" Return
    e2e_answer_box_text Error "Your current setups does not support multitexturing" Return
    e2e_answer_box_text Error "Failed to open DIB file texture3/Top.bmp. " Return
    e2e_wait_exit 30
    e2e_expect_eq 0 "$E2E_EXIT_CODE" "exit code without OpenGL ($*)"
    expect_said "no OpenGL window" "no OpenGL ($*)"
}
e2e_start_xvfb 1024x768
no_opengl SDL_OPENGL_LIBRARY=/nonexistent/libGL.so.1
kill "$E2E_XSERVER_PID" && wait "$E2E_XSERVER_PID" 2>/dev/null
e2e_start_xvfb 1024x768 -extension GLX
no_opengl

# --- The invisible driver asked for on a working display: refused as such ----
e2e_start_program "$E2E_TMP/fonts" SDL_VIDEODRIVER=offscreen
e2e_wait_exit 10
e2e_expect_eq 1 "$E2E_EXIT_CODE" "exit code with the offscreen driver"
expect_said 'the video driver "offscreen" (SDL_VIDEODRIVER) shows nothing anyone can see, so it is refused' \
    "the offscreen driver"

e2e_pass

// What the browser build's entry point tells the page besides the platform
// layer's calls.
#pragma once

// Shows on the page that the program has ended, with its exit code.
void webProgramEnded(int exitCode);

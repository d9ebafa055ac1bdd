#pragma once

// What the web engine needs settled before the application object exists.
// main() and every test that opens a browser call the same function, so a test
// starts the engine exactly as the program does.
class WebEngineSetup
{
public:
    // Shares GL contexts between the engine and the widgets and, for a process
    // running as root, switches the engine's sandbox off and says so in one
    // line on standard error: Chromium refuses to start sandboxed as root, and
    // the window would never appear. Call it first thing in main().
    static void beforeApplication();

    // Whether this process runs with root's user id.
    static bool runningAsRoot();
};

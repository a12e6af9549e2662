#pragma once
// The application shell: window creation, the start-up sequence, the main
// loop, the scene reload and the shut-down, and runViewer, which strings
// them together for the entry point.

#include <string>

namespace qor {

inline constexpr const char* kWindowClassName = "Kelvo Viewer Class";
inline constexpr const char* kWindowTitle = "Kelvo Viewer";

// Registers the window class whose procedure is windowProc. False when a
// class is registered already.
bool registerMainWindowClass();
void unregisterMainWindowClass();

// Registers the window class, opens the window (windowed or full screen per
// the screen settings), creates the renderer on it, shows it and sizes the
// projection. On failure everything made so far is undone and `error` names
// the cause.
bool createMainWindow(std::string& error);

// Textures, scene, GUI, sound, board, actors and the first slide; run once
// after the window exists.
void startUp();

// How the main loop ended.
enum class LoopEnd { Quit, Escape, Stopped };

// One message and, while the window is active, one frame per pass, until
// WM_QUIT, a held Escape key or `running` cleared.
LoopEnd mainLoop();

// Releases the scene and everything the scene script made, then loads the
// scene again. The stage, the board and the actors stay.
void reload();

// Releases everything in order, ending with the renderer (and so the
// window) and all remaining reference-counted objects.
void shutDown();

// The whole program. Exit status 0 after a normal quit, 1 (after one line on
// standard error) when no window or GL context can be had.
int runViewer();

}  // namespace qor

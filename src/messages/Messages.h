#pragma once

#include <QString>

namespace lumaril {

class WindowOperations;

// Leaving the program and its fixed information messages. Each reaches the window only
// through the window operations; every prompt keeps its trailing blanks and uses CR LF for
// its line breaks.

// "Exit": unloads the window (which shows the farewell through Form_Unload), then ends the
// program at once.
void exitProgram(WindowOperations &ops);

// Raised whenever the window is unloaded, by Exit or by closing it: the farewell message.
void Form_Unload(WindowOperations &ops);

// "About" and "About this software !".
void showAbout(WindowOperations &ops);
// "My Email ID ".
void showEmail(WindowOperations &ops);
// "My Website !".
void showWebsite(WindowOperations &ops);

[[nodiscard]] QString aboutPrompt();
[[nodiscard]] QString emailPrompt();
[[nodiscard]] QString websitePrompt();

} // namespace lumaril

// The desktop's default action on a text (a web address, a file name): what
// the information page's link labels hand their text to.
#pragma once

#include <QString>

#include <functional>

using TShellOpener = std::function<void(const QString& text)>;

// Runs the installed opener; by default the desktop opens the text as a URL
// and whatever it answers is ignored.
void ShellOpen(const QString& text);

// Installs another opener (tests record the text instead of starting a
// browser); an empty one restores the desktop's. Returns the one it replaces.
TShellOpener SetShellOpener(TShellOpener opener);

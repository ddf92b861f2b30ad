#include "Shell.h"

#include <QDesktopServices>
#include <QUrl>

#include <utility>

namespace {

void DesktopOpen(const QString& text) {
  // The shell's default action never reports back to the window; a text that
  // opens nothing is simply ignored.
  (void)QDesktopServices::openUrl(QUrl::fromUserInput(text));
}

TShellOpener& Opener() {
  static TShellOpener opener = DesktopOpen;
  return opener;
}

} // namespace

void ShellOpen(const QString& text) {
  Opener()(text);
}

TShellOpener SetShellOpener(TShellOpener opener) {
  if (!opener)
    opener = DesktopOpen;
  return std::exchange(Opener(), std::move(opener));
}

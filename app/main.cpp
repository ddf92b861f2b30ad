#include "Application.h"
#include "Brenvik.h"

int main(int argc, char* argv[]) {
  TApplication app(argc, argv);
  Brenvik_Frm = new TBrenvik_Frm;
  Brenvik_Frm->show();
  app.exec();
  // Closing normally frees the window already; this covers a loop that ended
  // while the window was only hidden.
  delete Brenvik_Frm;
  return 0;
}

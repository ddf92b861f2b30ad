// Connection control and the Send action.
#include "Brenvik.h"

void TBrenvik_Frm::BitBtn1Click(QObject*) {}
void TBrenvik_Frm::BitBtn2Click(QObject*) {}
void TBrenvik_Frm::BitBtn4Click(QObject*) {}
void TBrenvik_Frm::FormClose(QObject* Sender, TCloseAction& Action) {
  BitBtn2Click(Sender);
  Action = caFree;
}

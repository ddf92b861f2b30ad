#include "Tool.h"

int main(int argc, char** argv) {
  return p03tool::Run(argc, argv);
}

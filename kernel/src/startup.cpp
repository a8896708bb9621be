#include "kernel/startup.h"

#include <cstdio>

#include "kernel/regimage.h"

int PanelMain(int, char**) {
  PlcRegInit(1);
  std::printf("panel: register image initialised; start-up is not built yet\n");
  return 0;
}

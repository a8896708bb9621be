// The firmware's process entry: everything happens in the controller kernel's start-up.
#include "controller/startup.h"
#include "web/services.h"

int main(int argc, char** argv) {
  QuorvEnableServerThread(true);
  return PanelMain(argc, argv);
}

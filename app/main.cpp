// The firmware's process entry: everything happens in the controller kernel's start-up.
#include "kernel/startup.h"

int main(int argc, char** argv) { return PanelMain(argc, argv); }

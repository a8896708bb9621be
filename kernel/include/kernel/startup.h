#pragma once
// Start-up of the unit and the main loop; never returns in normal operation.

int PanelMain(int argc, char** argv);

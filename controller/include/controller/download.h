#pragma once
// Download, upload and verify of program tables over the command protocol. The download
// flag that other layers read (Cmd_Downloading) is in ground/cmdproto.h.

#include "ground/cmdproto.h"

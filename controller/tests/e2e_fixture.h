#pragma once
// The real firmware binary and the programming tool for the kernel's end-to-end tests.
#include "testsupport/unit_e2e.h"

namespace kt {
using ts::LogicTable;
using ts::PanelBinary;
using ts::ProgrammingTool;
using ts::ToolResult;
}  // namespace kt

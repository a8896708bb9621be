#pragma once
// While the screen program loop is a hook, a test can give its pass a body of its own
// (a page paint that takes a while) to exercise the time slicing around it.

extern void (*g_screen_pass_body)();

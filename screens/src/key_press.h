#pragma once
// Private to the key rings: the key-press instructions' repeat state back to power-on.
void KeyPressReset();

#pragma once
// The status dialog, screen-object class 18: a modal pop-up opened through the object
// manager's pop-up call, which hands it its kind and the opener's callback. Only the
// start-up restore's three questions are drawn and answered so far (kinds 10, 11, 12):
// a title bar, a text block and the buttons "OK" and "Cancel"; a release on OK answers
// 1, on Cancel 0. Main thread only, inside the screen pass or the restore's local loop.

#include <cstdint>

// Dialog kinds of the start-up restore.
inline constexpr int kDialogAutosaveFailed = 10;  // load the operator's backup?
inline constexpr int kDialogAutoRun = 11;         // Run with the saved registers, counting down
inline constexpr int kDialogNoAutoRun = 12;       // Run with the saved registers?

// The two static records of the class: dialogObj (its rectangle is laid out by Create)
// for kinds up to 10, dialogFullObj (x 82..648, y 32..448) for kinds 11 and 12.
extern const uint8_t dialogObj[32];
extern const uint8_t dialogFullObj[32];

// The countdown of kind 11: the seconds left (30 when it opens) and the time base's tick
// of its last step, which the opener sets when it opens the dialog.
extern int secsAeNoBck;
extern uint32_t tickAeNoBck;
// Kind 11's countdown line, "Proceeding to RUN Mode in 30 sec.", the seconds rewritten.
extern char b17Text[34];

int16_t DIALOG_Create(const uint8_t* record, void* instance);
void DIALOG_Paint(const uint8_t* record, void* instance, int parts);
uint16_t DIALOG_Signal(const uint8_t* record, void* instance, int code, int argument);
void DIALOG_Destroy(const uint8_t* record, void* instance);

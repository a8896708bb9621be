// The class table, indexed by an object record's class code. A class whose code is not
// built yet takes the null class's operations: its records are created and skipped by
// their length, and it draws nothing.
#include "screens/objm.h"
#include "sysscreens/dialog.h"

namespace {

constexpr ObjClass Null(uint32_t length) { return {length, NULL_Create, NULL_Paint, NULL_Signal, NULL_Destroy}; }
// Rows whose class has no Destroy.
constexpr ObjClass NullNoDestroy(uint32_t length) { return {length, NULL_Create, NULL_Paint, NULL_Signal, nullptr}; }

}  // namespace

const ObjClass oDefTbl[kObjClasses] = {
    {32, SHAPE_Create, SHAPE_Paint, SHAPE_Signal, SHAPE_Destroy},
    {32, TEXT_Create, TEXT_Paint, TEXT_Signal, TEXT_Destroy},
    Null(66),           // 2 EDIT
    Null(44),           // 3 MENU
    Null(56),           // 4 BAR
    Null(40),           // 5 PAGE
    Null(58),           // 6 SWTCH
    Null(42),           // 7 LITE
    Null(32),           // 8 BMP
    Null(56),           // 9 METER
    Null(56),           // 10 GRAPH
    Null(52),           // 11 SELCT
    Null(32),           // 12 FAULT
    Null(32),           // 13 KPAD
    Null(56),           // 14 SLIDE
    Null(40),           // 15 NOTE
    Null(32),           // 16 ALOG
    Null(48),           // 17 ALM
    {32, DIALOG_Create, DIALOG_Paint, DIALOG_Signal, DIALOG_Destroy},  // 18 DIALOG
    Null(32),           // 19 CALTCH
    Null(32),           // 20 CFD
    Null(46),           // 21 CF
    Null(40),           // 22 no object
    Null(32),           // 23 no object
    Null(68),           // 24 ROT
    NullNoDestroy(32),  // 25 BkRstr
    NullNoDestroy(32),  // 26 Clone
    NullNoDestroy(32),  // 27 RSPop
    Null(32),           // 28 ASCKPD
    Null(32),           // 29 BOOT
    Null(32),           // 30 no object
    Null(32),           // 31 TRDPop
    Null(32),           // 32 RECOVER
    Null(72),           // 33 VIDPS
    Null(66),           // 34 LOGIN
    Null(32),           // 35 WIFI
};

// The built-in standard blocks and the panel block table. None of their code is in this
// build yet: each row is a handler that links, sizes to nothing and, when the
// application executes it, reports itself not available.
#include "iec_library/block_tables.h"

#include <array>
#include <utility>

#include "iec_runtime/interpreter.h"
#include "iec_runtime/runtime.h"
#include "iec_runtime/vm_db.h"

namespace {

constexpr const char* kStdNames[] = {
    "R_TRIG", "F_TRIG", "RS", "SR", "CMP", "SEMA", "TON", "TOF", "TP", "BLINK", "STACKINT", "SERIO", "SERIO_B",
    "AVERAGE", "HYSTER", "LIM_ALRM", "INTEGRAL", "DERIVATE", "SIG_GEN", "RAMP", "CURVELIN", "SURFLIN", "UNPACK8",
    "TOFR", "TPR", "PLS", "FLIPFLOP", "BLINKA", "DTAT", "DTCURDATETIME", "DTEVERY", "FIFO", "LIFO", "ALARM_M",
    "ALARM_A", "LOGFILECSV", "TMU", "TMUSEC", "TMD", "MBSLAVEUDP", "MBSLAVEUDPEX", "MBSLAVERTU", "MBSLAVERTUEX",
    "MBSLAVERTUEXD", "SIGPLAY", "ISFCSTEP", "ISFCINITSTEP", "AVERAGEL", "HYSTERACC", "CANRCVMSG", "MBMASTERTCP",
    "MBMASTERRTU", "MBSLAVETCP", "MBSLAVETCPEX"};

constexpr const char* kPanelNames[] = {
    "TXBMANAGER", "TXBAPPEND", "TXBAPPENDLINE", "TXBAPPENDTXB", "TXBAPPENDEOL", "TXBCLEAR", "TXBCOPY", "TXBFREE",
    "TXBGETDATA", "TXBLASTERROR", "TXBGETLENGTH", "TXBGETLINE", "TXBGETSTRING", "TXBNEW", "TXBNEWSTRING",
    "TXBREADFILE", "TXBREWIND", "TXBSETDATA", "TXBSETSTRING", "TXBWRITEFILE", "TXBANSITOUTF8", "TXBUTF8TOANSI",
    "TXBSENDTCP", "TXBRCVTCP", "XMLMANAGER", "XMLADDCHILD", "XMLCHECKTAGNAME", "XMLFIRSTCHILD", "XMLFREEDOC",
    "XMLLASTERROR", "XMLGETSYBVALUE", "XMLGETTAGATTRIB", "XMLGETTAGCONT", "XMLGETTAGCONTT", "XMLGETTAGNAME",
    "XMLNEWDOC", "XMLNEXTCHILD", "XMLPARSEDOCFILE", "XMLPARSEDOCTXB", "XMLSETSYBVALUE", "XMLSETTAGATTRIB",
    "XMLSETTAGCONT", "XMLSETTAGCONTT", "XMLWRITEDOCFILE", "XMLWRITEDOCTXB", "XMLGETPARENT", "HMINEWMENU",
    "HMINEWMENUITEM", "HMIDELMENU", "HMIRENAMEMENU", "HMIMENU", "ARCOUNT", "ARFIND", "ARFILL", "ARMIN", "ARMAX",
    "ARSORT", "PID", "CTUR", "CTDR", "CTUDR", "CANOPENGETLOCID", "CANOPENGETSTATE", "CANOPENSETNMT",
    "CANOPENSDOREAD", "CANOPENSDOWRITE", "CANOPENRCEMC", "CANOPENRCEMCDEV", "LIM", "COPY_CF", "READ_CF",
    "READ_CF2", "WRITE_CF", "WRITE_CF2", "DELETE_CF", "SETPID", "SETPIDMAN", "GETPIDMAN", "PID_IND",
    "PID_IND_AUTO", "PID_ISA_AUTO", "PID_ISA", "SAVERCPBYSTR", "SAVERCPBYINDEX", "SAVERCPBYSTR2", "LOADRCPBYSTR",
    "LOADRCPBYINDEX", "LOADRCPBYSTR2", "RENAME_CF", "OPENCOMMREG", "OPENCOMM", "CLOSECOMM", "SENDCOMM", "RCVCOMM",
    "CHANGESCREEN", "FORCESCREEN", "SCALEINT", "SCALEREAL", "SETCLK", "BITCLEAR", "BITSET", "BITTEST", "ALARM",
    "MODBUSDOREQUEST", "MODBUSMAPSLAVE", "MODBUSMAPEXTEND", "OLDUSERSMASTER", "KEYPRESS", "NETPUTHB", "NETGETHB",
    "NETGETWORD", "NETPUTWORD", "NETPUTWORDEX", "NETGETREMOTEI", "NETPUTLOCALQ", "NETGETREMOTEAI",
    "NETPUTLOCALAQ", "GPRSCONNECT", "GPRSCONNECTS", "MODEMSENDINIT", "MODEMAUTODIAL", "MODEMAUTOANSWER",
    "DAYSOFMONTH", "DAYSOFWEEK", "MONTHSOFYEAR", "STARTENDYEAR", "TIMEOFDAY", "FILL", "MULTIROT", "MULTISHIFT",
    "MVB", "ASCIITODINT", "ASCIITOINT", "ASCIITOREAL", "CMPSTRINGCONST", "CMPSTRINGVAR", "DINTTOASCII",
    "INTTOASCII", "REALTOASCII", "SETSTRING", "STRINGLEN", "STRINGLENA", "DEGTORAD", "RADTODEG", "TOF100MS",
    "TOF100MS32", "TOF10MS", "TOF10MS32", "TOF1MS", "TOF1MS32", "TOF1S", "TOF1S32", "TON100MS", "TON100MS32",
    "TON10MS", "TON10MS32", "TON1MS", "TON1MS32", "TON1S", "TON1S32", "TONR100MS", "TONR100MS32", "TONR10MS",
    "TONR10MS32", "TONR1MS", "TONR1MS32", "TONR1S", "TONR1S32", "SETPID_R", "PID_IND_R", "SETPIDMAN_R",
    "PID_IND_AUTO_R", "PID_ISA_R", "PID_ISA_AUTO_R", "SETCANID", "TEXTTABLE", "STRINGCONCAT", "CHARASCIICODE",
    "DELETECHARS", "INSERTCHARS", "ASCIITOHEX", "HEXTOASCII", "CRC16", "STRINGFIND", "STRINGREPLACE",
    "STRINGLEFT", "STRINGMID", "STRINGRIGHT", "SUNPOS", "ABS", "SHL", "SHR", "ROL", "ROR", "NOT_MASK", "AND_MASK",
    "OR_MASK", "XOR_MASK", "SEL", "MOD", "SQRT", "CTU", "CTD"};

constexpr unsigned kStdCount = sizeof kStdNames / sizeof kStdNames[0];
constexpr unsigned kPanelRows = sizeof kPanelNames / sizeof kPanelNames[0];
static_assert(kStdCount == 54 && kPanelRows == 203);

template <unsigned Base, unsigned Row>
int NotAvailable(int command, uint8_t* db, uint8_t*, uint8_t*, const uint16_t*) {
  switch (command) {
    case kFbClassId: return Base == 1000 ? int(Row + 1) : 0;
    case kFbTypesOk: return 1;
    case kFbExecute: {
      if (db == nullptr) return 0;
      const char* name = Base == 1000 ? kStdNames[Row] : kPanelNames[Row];
      if (N4VM_LogErrorOnce(db, kVmErrStfUnavailable, uint16_t(Base + Row), N4VMTic_CallPosition()))
        N4EVSTRACE("%s not available\n", name);
      N4VMTic_StopOnError(db);
      return 0;
    }
    default: return 0;
  }
}

template <unsigned Base, unsigned... Rows>
constexpr std::array<N4BlockHandler, sizeof...(Rows)> Handlers(std::integer_sequence<unsigned, Rows...>) {
  return {&NotAvailable<Base, Rows>...};
}

constexpr auto kStdHandlers = Handlers<1000>(std::make_integer_sequence<unsigned, kStdCount>{});
constexpr auto kPanelHandlers = Handlers<2000>(std::make_integer_sequence<unsigned, kPanelRows>{});

}  // namespace

unsigned N4StdBlocks_Count() { return kStdCount; }
const char* N4StdBlocks_Name(unsigned row) { return row < kStdCount ? kStdNames[row] : nullptr; }
N4BlockHandler N4StdBlocks_Handler(unsigned row) { return row < kStdCount ? kStdHandlers[row] : nullptr; }

bool N4Blocks_GetFirstID(uint32_t* id) {
  *id = 0;
  return true;
}
bool N4Blocks_GetNextID(uint32_t* id) {
  ++*id;
  return *id < kPanelRows;
}
const char* N4Blocks_GetName(uint32_t id) { return id < kPanelRows ? kPanelNames[id] : nullptr; }
N4BlockHandler N4Blocks_GetProc(uint32_t id) { return id < kPanelRows ? kPanelHandlers[id] : nullptr; }

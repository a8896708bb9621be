// The object manager's tables and state, shared by page handling and the update pass.
#include <cstring>

#include "screens/objm.h"

OCB doTbl[kObjTableSize];
OCB soTbl[kObjTableSize];
OCB pushOCB[kMorphDepth];
FocusEntry scb[kPageObjectsMax];
uint16_t pushScreen[kHistoryDepth];
uint16_t pushSelect[kHistoryDepth];

int num_dobjs = 0;
int num_sobjs = 0;
uint32_t smem_index = 0;
const uint8_t* pCurPgHdr = nullptr;
int selectObject = -1;
uint8_t fSelectFocus = 0;
uint8_t fSelectMorf = 0;
uint8_t fPopup = 0;
uint8_t fDispMesg = 0;
int morfIndex = 0;
int saveSelect = -1;
int initSelect = -1;
int selectNumObjs = 0;
int selectIndex = 0;
int newObject = -1;
int newIndex = 0;
uint8_t flag_draw = 0;
uint16_t FillColor = 0, EndColor = 0, LeadInLines = 0, LeadOutLines = 0;

void ObjmPowerOnReset() {
  std::memset(doTbl, 0, sizeof doTbl);
  std::memset(soTbl, 0, sizeof soTbl);
  std::memset(pushOCB, 0, sizeof pushOCB);
  std::memset(pushScreen, 0, sizeof pushScreen);
  std::memset(pushSelect, 0, sizeof pushSelect);
  num_dobjs = num_sobjs = 0;
  smem_index = 0;
  pCurPgHdr = nullptr;
  selectObject = saveSelect = initSelect = newObject = -1;
  fSelectFocus = fSelectMorf = fPopup = fDispMesg = 0;
  morfIndex = selectNumObjs = selectIndex = newIndex = 0;
  flag_draw = 0;
  pPUCallback = nullptr;
  FillColor = EndColor = LeadInLines = LeadOutLines = 0;
  StrPowerOnReset();
  HistoryPowerOnReset();
  MorphPowerOnReset();
}

// The switches and shared flags of the data fields.
#include "field_internal.h"

void FieldsReset() {
  fld::ResetKeyFilter();
  fld::ResetTimeZoneEdit();
  FLD_SetFirmwareStrings(nullptr, 0);
}

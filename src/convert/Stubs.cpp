// Placeholders for the conversions not written yet: each does nothing. When a conversion is built
// in its own folder (convert/reference, convert/equipment, convert/tasks, convert/workorders), its
// block below is deleted.
#include "convert/Conversions.h"

#pragma once
// What the import reads of an MP2 database, and so what its working copy holds: the tables the
// conversions read with the columns whose values they read or compare, the tables whose equipment
// numbers the pre-parse rewrites (EQNUM only), and the tables whose rows the account counts (no
// column). Any other table of the source is not copied.
#include "jet/CopyPlan.h"

dao::CopyPlan SourceReads();

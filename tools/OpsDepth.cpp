// --op table: colour depth conversions.
#include "tools/CliOps.h"

GB_CLI_OPS(GB_OP(ToGreyScale, ""), GB_OP(RaiseBpp, "target"),
           GB_OP(DecreaseBpp, "target errorDiffusion palette=none coloursImportant=0"), );

// Built as C with the project's warnings as errors: the library contracts must
// stay usable from C, and each entry point's declaration must agree with its
// function-pointer type, which a C compiler checks on assignment.
#include "mes/mes_api.h"
#include "mplib/mp_api.h"

#define VARNET_CHECK_ENTRY(name)                                                                             \
    {                                                                                                        \
        PFN_##name pointer = name;                                                                           \
        (void)pointer;                                                                                       \
    }

void VarnetCheckMpApiFromC(void);
void VarnetCheckMpApiFromC(void) {
    MP_API_ENTRY_POINTS(VARNET_CHECK_ENTRY)
    MES_API_ENTRY_POINTS(VARNET_CHECK_ENTRY)
}

#define VARNET_COUNT_ENTRY(name) +1
_Static_assert(0 MP_API_ENTRY_POINTS(VARNET_COUNT_ENTRY) == MP_API_ENTRY_POINT_COUNT,
               "MP_API entry point count");
_Static_assert(0 MES_API_ENTRY_POINTS(VARNET_COUNT_ENTRY) == MES_API_ENTRY_POINT_COUNT,
               "MES entry point count");

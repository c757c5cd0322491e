#include "FuzzSupport.h"

__attribute__((weak)) void FuzzPrepare() {}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    FuzzPrepare();
    return 0;
}

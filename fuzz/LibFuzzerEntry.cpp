// The libFuzzer entry of one fuzz target; TAMSOR_FUZZ_ENTRY names its entry point.
#include "FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return TAMSOR_FUZZ_ENTRY(data, size);
}

#include "Random.h"

CRuntimeRandom& ProcessRandom()
{
    static CRuntimeRandom generator;
    return generator;
}

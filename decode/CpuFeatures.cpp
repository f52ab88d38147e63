#include "decode/CpuFeatures.h"

namespace
{

CpuFeatures Detect()
{
    CpuFeatures features = {};
#if defined(__x86_64__) || defined(__i386__)
    // The compiler's run-time check also asks the system whether it saves the AVX state.
    __builtin_cpu_init();
    features.bitExtract = __builtin_cpu_supports("bmi") && __builtin_cpu_supports("bmi2");
    features.carryless = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
    features.wideCarryless =
        features.carryless && __builtin_cpu_supports("avx2") && __builtin_cpu_supports("vpclmulqdq");
#endif
    return features;
}

} // namespace

const CpuFeatures& GetCpuFeatures()
{
    static const CpuFeatures features = Detect();
    return features;
}

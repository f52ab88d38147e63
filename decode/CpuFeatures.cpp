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
#if defined(__x86_64__)
    // 32 vector registers: the 32-bit build, with 8, is not given the byte-sliced path.
    features.bytePlanes = features.bitExtract && __builtin_cpu_supports("avx512f") &&
                          __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vbmi");
#endif
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

#pragma once

// Marks a pixel loop to be built twice, for AVX2 and for the baseline processor, the version being
// picked at load time. The loops give identical results in both builds. ThreadSanitizer builds
// keep one version: their load-time resolvers would run before the sanitizer is set up.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__)) && !defined(__SANITIZE_THREAD__)
#define VISTREL_WIDE_VECTORS __attribute__((target_clones("avx2", "default")))
#else
#define VISTREL_WIDE_VECTORS
#endif

// Kernels written with AVX2 intrinsics exist where VISTREL_AVX2_KERNELS is defined. They are built
// for AVX2 (VISTREL_AVX2) whatever the baseline of the build, so they may run only where
// ProcessorHasAvx2(); a portable kernel giving the same results stands beside each.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define VISTREL_AVX2_KERNELS 1
#define VISTREL_AVX2 __attribute__((target("avx2")))
#define VISTREL_AVX2_FMA __attribute__((target("avx2,fma")))
namespace vistrel {
inline bool ProcessorHasAvx2()
{
    return __builtin_cpu_supports("avx2");
}
inline bool ProcessorHasAvx2Fma()
{
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
}
} // namespace vistrel
#endif

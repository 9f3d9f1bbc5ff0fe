#pragma once

// Marks a pixel loop to be built twice, for AVX2 and for the baseline processor, the version being
// picked at load time. The loops give identical results in both builds.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define VISTREL_WIDE_VECTORS __attribute__((target_clones("avx2", "default")))
#else
#define VISTREL_WIDE_VECTORS
#endif

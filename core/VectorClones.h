#pragma once
// Per-frame loops marked TAVELIN_VECTOR_CLONES get an AVX2 version beside the baseline
// one, picked at load time.

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define TAVELIN_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define TAVELIN_VECTOR_CLONES
#endif

// Hand-written kernels check the processor once, by feature name ("avx2", "ssse3").
#if defined(__x86_64__) && defined(__GNUC__)
#define TAVELIN_CPU_FEATURE(name)                     \
    ([] {                                             \
        static const bool has = [] {                  \
            __builtin_cpu_init();                     \
            return __builtin_cpu_supports(name) != 0; \
        }();                                          \
        return has;                                   \
    }())
#endif

#pragma once
// Per-frame loops marked TAVELIN_VECTOR_CLONES get an AVX2 version beside the baseline
// one, picked at load time.

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define TAVELIN_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define TAVELIN_VECTOR_CLONES
#endif

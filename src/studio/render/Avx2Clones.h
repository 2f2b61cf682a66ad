#pragma once

// Marks a hot function to be compiled twice, plain and for AVX2, the copy chosen once at load
// time. Only ELF targets have the indirect functions this needs, so elsewhere it marks nothing.
#if defined(__GNUC__) && defined(__x86_64__) && defined(__linux__) && !defined(__clang__)
#define VANTREL_AVX2_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define VANTREL_AVX2_CLONES
#endif

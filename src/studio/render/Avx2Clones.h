#pragma once

// Marks a hot function to be compiled twice, plain and for AVX2, the copy chosen once at load
// time. Only ELF targets have the indirect functions this needs, so elsewhere it marks nothing.
#if defined(__GNUC__) && defined(__x86_64__) && defined(__linux__) && !defined(__clang__)
#define VANTREL_AVX2_CLONES __attribute__((target_clones("avx2", "default")))
// A third copy for AVX-512 (x86-64-v4), for the kernels measured to gain from it: reducing
// 16-bit samples takes half the time there, while the scaler's sums ran slower.
#define VANTREL_AVX512_CLONES __attribute__((target_clones("arch=x86-64-v4", "avx2", "default")))
#else
#define VANTREL_AVX2_CLONES
#define VANTREL_AVX512_CLONES
#endif

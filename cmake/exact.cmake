# Results must be bit-identical to the single-precision reference arithmetic: no contraction
# into fused multiply-adds, no fast-math, and on x86 SSE2 rather than x87. The generator links
# this publicly, so everything that computes with or compares against its numbers (the
# editor, the rasteriser, the tools, tests, benchmarks and the WebAssembly page) is built the
# same way.
add_library(quilmorante_exact INTERFACE)
target_compile_options(quilmorante_exact INTERFACE -ffp-contract=off -fno-fast-math)
if(CMAKE_SYSTEM_PROCESSOR MATCHES "x86_64|AMD64|i.86")
  target_compile_options(quilmorante_exact INTERFACE -msse2 -mfpmath=sse)
endif()

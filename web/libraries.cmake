# zlib, libpng, giflib and libwebp compiled for WebAssembly from their Debian 12 sources
# (web/debian_sources.sh), under the imported-target names the desktop build finds, so
# formats/ links them unchanged. Plain C, no SIMD: the encoders' C paths give the same bytes
# (the browser test compares every export with the desktop's). Compiled for size.
set(src ${QUILMORANTE_LIBRARY_SOURCES})
foreach(library zlib libpng giflib libwebp)
  if(NOT EXISTS ${src}/${library})
    message(FATAL_ERROR "${src}/${library} is missing: run web/debian_sources.sh ${src}")
  endif()
endforeach()

set(zlib_files adler32 compress crc32 deflate infback inffast inflate inftrees trees uncompr zutil)
list(TRANSFORM zlib_files PREPEND ${src}/zlib/)
list(TRANSFORM zlib_files APPEND .c)
add_library(web_zlib STATIC ${zlib_files})
target_include_directories(web_zlib SYSTEM PUBLIC ${src}/zlib)
add_library(ZLIB::ZLIB ALIAS web_zlib)

# The configuration Debian's build derives from pnglibconf.dfa, less the reading options the
# palette reader never asks for: the editor's module reads PNG palettes, and its transforms
# and ancillary chunks would otherwise ride in every first visit. Those chunks are skipped as
# unknown ones, whose errors, like theirs, are warnings; writing is Debian's, byte for byte.
file(READ ${src}/libpng/scripts/pnglibconf.h.prebuilt png_configuration)
foreach(option ALPHA_MODE BACKGROUND BGR COMPOSITE_NODIV COMPRESSED_TEXT EXPAND_16 FILLER GAMMA
    INVERT_ALPHA INVERT OPT_PLTE PACKSWAP PACK QUANTIZE RGB_TO_GRAY SCALE_16_TO_8 SHIFT
    SWAP_ALPHA SWAP TEXT USER_TRANSFORM bKGD cHRM eXIf gAMA hIST iCCP iTXt oFFs pCAL pHYs sBIT
    sCAL sPLT sRGB tEXt tIME tRNS zTXt)
  string(REPLACE "#define PNG_READ_${option}_SUPPORTED\n" "" png_configuration
                 "${png_configuration}")
endforeach()
foreach(option SIMPLIFIED_READ_AFIRST SIMPLIFIED_READ_BGR SIMPLIFIED_READ)
  string(REPLACE "#define PNG_${option}_SUPPORTED\n" "" png_configuration "${png_configuration}")
endforeach()
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/libpng/pnglibconf.h.in "${png_configuration}")
configure_file(${CMAKE_CURRENT_BINARY_DIR}/libpng/pnglibconf.h.in
               ${CMAKE_CURRENT_BINARY_DIR}/libpng/pnglibconf.h COPYONLY)
set(png_files png pngerror pngget pngmem pngpread pngread pngrio pngrtran pngrutil pngset
    pngtrans pngwio pngwrite pngwtran pngwutil)
list(TRANSFORM png_files PREPEND ${src}/libpng/)
list(TRANSFORM png_files APPEND .c)
add_library(web_png STATIC ${png_files})
target_include_directories(web_png SYSTEM
  PUBLIC ${src}/libpng ${CMAKE_CURRENT_BINARY_DIR}/libpng)
target_link_libraries(web_png PUBLIC web_zlib)
add_library(PNG::PNG ALIAS web_png)

set(gif_files dgif_lib egif_lib gifalloc gif_err gif_font gif_hash openbsd-reallocarray quantize)
list(TRANSFORM gif_files PREPEND ${src}/giflib/)
list(TRANSFORM gif_files APPEND .c)
add_library(web_gif STATIC ${gif_files})
target_include_directories(web_gif SYSTEM PUBLIC ${src}/giflib)
add_library(GIF::GIF ALIAS web_gif)

file(GLOB webp_files ${src}/libwebp/src/dec/*.c ${src}/libwebp/src/dsp/*.c
     ${src}/libwebp/src/enc/*.c ${src}/libwebp/src/utils/*.c ${src}/libwebp/src/mux/*.c
     ${src}/libwebp/sharpyuv/*.c)
# The lossy encoder and decoder, which the lossless WebP never runs: webp_lossless_*.c stand
# in for their entry points.
foreach(lossy enc/alpha_enc enc/analysis_enc enc/cost_enc enc/filter_enc enc/frame_enc
        enc/iterator_enc enc/quant_enc enc/syntax_enc enc/token_enc enc/tree_enc dsp/enc dsp/cost
        dec/vp8_dec dec/frame_dec dec/tree_dec dec/quant_dec dec/alpha_dec dec/idec_dec dsp/dec
        dsp/dec_clip_tables)
  list(REMOVE_ITEM webp_files ${src}/libwebp/src/${lossy}.c)
endforeach()
add_library(web_webp STATIC ${webp_files} ${CMAKE_CURRENT_SOURCE_DIR}/webp_lossless_encode.c
            ${CMAKE_CURRENT_SOURCE_DIR}/webp_lossless_decode.c)
target_include_directories(web_webp SYSTEM
  PRIVATE ${src}/libwebp
  PUBLIC ${src}/libwebp/src)
add_library(PkgConfig::WEBP ALIAS web_webp)

# Run only on an export: small matters more than fast.
foreach(library web_zlib web_png web_gif web_webp)
  target_compile_options(${library} PRIVATE -Oz)
endforeach()

# The fuzzing build (WS_FUZZ): every library is compiled with libFuzzer's coverage hooks and
# with AddressSanitizer and UndefinedBehaviorSanitizer, so that a fault anywhere in the
# program's code stops the harness at the input that caused it. Only the harnesses link the
# libFuzzer runtime itself (WS_FUZZ_LINK_OPTIONS); the program and the tools link the
# sanitizers alone and stay runnable.
if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "WS_FUZZ needs clang (libFuzzer); use the 'fuzz' preset")
endif()
# The project has no C, but a C compiler given for it (the preset names one) must match.
if(CMAKE_C_COMPILER AND NOT CMAKE_C_COMPILER MATCHES "clang")
    message(FATAL_ERROR "WS_FUZZ: CMAKE_C_COMPILER must be clang too")
endif()
if(WS_SANITIZE OR WS_TSAN)
    message(FATAL_ERROR "WS_FUZZ brings its own sanitizers; leave WS_SANITIZE and WS_TSAN off")
endif()

# Undefined behaviour must stop the run, not print and go on, or libFuzzer never sees it.
add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
                    -fno-sanitize-recover=undefined)
add_link_options(-fsanitize=address,undefined)

set(WS_FUZZ_LINK_OPTIONS -fsanitize=fuzzer,address,undefined)

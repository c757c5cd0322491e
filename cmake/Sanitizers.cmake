# AddressSanitizer and UndefinedBehaviorSanitizer over the whole build, and with TEVLAR_FUZZ the libFuzzer
# targets of fuzz/ as well: one build folder (scripts/test's build-asan) serves the sanitized test run and
# the fuzz targets, so every library is compiled once for both.
option(TEVLAR_SANITIZE "Build everything with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(TEVLAR_FUZZ "Build the fuzz targets of fuzz/ (clang only; implies TEVLAR_SANITIZE)" OFF)

if(TEVLAR_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "TEVLAR_FUZZ needs clang (libFuzzer): configure with -DCMAKE_CXX_COMPILER=clang++")
  endif()
  set(TEVLAR_SANITIZE ON)
endif()

if(TEVLAR_SANITIZE)
  # A finding ends the program with an error instead of a line in a log nobody reads.
  set(sanitizers -fsanitize=address,undefined -fno-sanitize-recover=all)
  # -O1 keeps the run time of the suite bearable; the frame pointers keep the reports' stacks whole.
  add_compile_options(${sanitizers} -O1 -fno-omit-frame-pointer)
  add_link_options(${sanitizers})
  if(TEVLAR_FUZZ)
    # Coverage for libFuzzer in every library; only the fuzz executables link libFuzzer itself.
    add_compile_options(-fsanitize=fuzzer-no-link)
  endif()
  # For every test: what the sanitizers do on a finding, and the leaks of the libraries below us that
  # are not ours to fix.
  set(TEVLAR_SANITIZER_ENVIRONMENT
      "ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:check_initialization_order=1:strict_init_order=1"
      "UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1"
      "LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/lsan.supp:print_suppressions=0")
endif()

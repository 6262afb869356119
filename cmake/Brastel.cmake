# Small helpers for tests, fuzz targets and benchmarks; libraries use plain add_library.

set(BRASTEL_STAGE_DIR ${CMAKE_BINARY_DIR}/stage)
set(BRASTEL_FUZZ_SECONDS 20 CACHE STRING "Seconds each fuzz target runs under ctest")

if(BRASTEL_FUZZ)
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()

# The program, its libraries and tests under AddressSanitizer and UndefinedBehaviorSanitizer
# (preset "sanitize"); undefined behaviour ends the run.
option(BRASTEL_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
if(BRASTEL_SANITIZE AND NOT BRASTEL_FUZZ)
    # g++ 12 warns falsely about libstdc++'s std::function (inside std::regex) under -fsanitize.
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined
                        -fno-omit-frame-pointer -Wno-maybe-uninitialized)
    add_link_options(-fsanitize=address,undefined)
    # Closing the X display unloads Mesa's GL driver; blocks its one-time set-up still holds then
    # look leaked, from a module that no longer has a name. GL and end-to-end tests preload the
    # driver so it stays resident until LeakSanitizer has looked (the preset allows the order);
    # the program keeps it loaded itself (app/SanitizerBuild.cpp), so it also runs clean by hand.
    find_file(BRASTEL_GL_DRIVER swrast_dri.so
        PATHS /usr/lib/${CMAKE_LIBRARY_ARCHITECTURE}/dri /usr/lib64/dri /usr/lib/dri NO_DEFAULT_PATH)
endif()

# brastel_test(NAME n LABEL unit|gl|audio|e2e SOURCES ... LIBS ...)
# One GoogleTest executable; each of its tests becomes a CTest test carrying the label.
function(brastel_test)
    if(BRASTEL_FUZZ)
        return()
    endif()
    cmake_parse_arguments(T "" "NAME;LABEL" "SOURCES;LIBS" ${ARGN})
    add_executable(${T_NAME} ${T_SOURCES})
    target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} testsupport GTest::gtest_main)
    # End-to-end runs drive windows through the one X server: one at a time.
    set(serial FALSE)
    if(T_LABEL STREQUAL "e2e")
        set(serial TRUE)
        add_dependencies(${T_NAME} stage)
    endif()
    # Test discovery flattens property lists, so each property here holds one value.
    set(properties LABELS ${T_LABEL} RUN_SERIAL ${serial})
    if(T_LABEL STREQUAL "gl" OR T_LABEL STREQUAL "e2e")
        # A missing X server must be an error, never a silent off-screen fallback.
        list(APPEND properties ENVIRONMENT "SDL_VIDEODRIVER=x11")
        if(BRASTEL_SANITIZE AND BRASTEL_GL_DRIVER)
            list(APPEND properties ENVIRONMENT_MODIFICATION "LD_PRELOAD=set:${BRASTEL_GL_DRIVER}")
        endif()
    endif()
    gtest_discover_tests(${T_NAME}
        TEST_PREFIX "${T_NAME}."
        DISCOVERY_MODE PRE_TEST
        WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
        PROPERTIES ${properties})
endfunction()

# brastel_fuzzer(NAME n CORPUS dir SOURCES ... LIBS ...)
# A libFuzzer target, registered as a CTest test (label fuzz) that runs for BRASTEL_FUZZ_SECONDS
# from a scratch copy of the seed corpus, so the source tree never changes.
function(brastel_fuzzer)
    if(NOT BRASTEL_FUZZ)
        return()
    endif()
    cmake_parse_arguments(F "" "NAME;CORPUS" "SOURCES;LIBS" ${ARGN})
    add_executable(${F_NAME} ${F_SOURCES})
    target_link_libraries(${F_NAME} PRIVATE ${F_LIBS})
    target_link_options(${F_NAME} PRIVATE -fsanitize=fuzzer)
    set(work ${CMAKE_CURRENT_BINARY_DIR}/${F_NAME}-corpus)
    add_test(NAME ${F_NAME}
        COMMAND sh -c "rm -rf '${work}' && mkdir -p '${work}' && exec '$<TARGET_FILE:${F_NAME}>' -max_total_time=${BRASTEL_FUZZ_SECONDS} -timeout=10 -rss_limit_mb=2048 '${work}' '${F_CORPUS}'")
    set_tests_properties(${F_NAME} PROPERTIES LABELS fuzz)
endfunction()

# brastel_benchmark(NAME n SOURCES ... LIBS ...): a Google Benchmark program, run by hand.
function(brastel_benchmark)
    if(BRASTEL_FUZZ)
        return()
    endif()
    cmake_parse_arguments(B "" "NAME" "SOURCES;LIBS" ${ARGN})
    add_executable(${B_NAME} ${B_SOURCES})
    target_link_libraries(${B_NAME} PRIVATE ${B_LIBS} testsupport benchmark::benchmark)
endfunction()

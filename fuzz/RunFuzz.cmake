# Runs one fuzz harness for CTest (see CMakeLists.txt beside this file), in WORK, which it
# makes afresh. MODE=regressions replays every file of regressions/<NAME>/ once.
# MODE=run fuzzes for SECONDS from a working corpus copied into WORK from the seeds:
# seeds/<NAME>/, the demo sets in DEMO (DEMO_MODE COPY: their audio files; LIST: one listing
# of file names per set) and the real-world audio files in CORPUS where that folder exists.
# A crash, leak, timeout or broken invariant fails the test, and libFuzzer leaves the input
# that caused it in WORK.
cmake_minimum_required(VERSION 3.25)

foreach(var HARNESS NAME SOURCE_DIR WORK MODE)
    if(NOT DEFINED ${var})
        message(FATAL_ERROR "RunFuzz.cmake needs -D${var}=...")
    endif()
endforeach()

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
set(options -rss_limit_mb=2048 -timeout=10 -artifact_prefix=${WORK}/)
if(EXISTS ${SOURCE_DIR}/dict/${NAME}.dict)
    list(APPEND options -dict=${SOURCE_DIR}/dict/${NAME}.dict)
endif()

if(MODE STREQUAL "regressions")
    file(GLOB inputs LIST_DIRECTORIES false ${SOURCE_DIR}/regressions/${NAME}/*)
    list(FILTER inputs EXCLUDE REGEX "/\\.[^/]*$")
    if(NOT inputs)
        message("No regression inputs in ${SOURCE_DIR}/regressions/${NAME}")
        return()
    endif()
    list(SORT inputs)
    execute_process(COMMAND ${HARNESS} ${options} ${inputs}
                    WORKING_DIRECTORY ${WORK} RESULT_VARIABLE result)
elseif(MODE STREQUAL "run")
    set(corpus ${WORK}/corpus)
    file(MAKE_DIRECTORY ${corpus})
    if(IS_DIRECTORY ${SOURCE_DIR}/seeds/${NAME})
        file(COPY ${SOURCE_DIR}/seeds/${NAME}/ DESTINATION ${corpus}/seeds)
    endif()
    if(DEMO_MODE)
        if(NOT EXISTS ${DEMO}/.stamp)
            message(FATAL_ERROR "No demo sound sets in ${DEMO}: build the target demo_sets")
        endif()
        if(DEMO_MODE STREQUAL "COPY")
            file(COPY ${DEMO}/ DESTINATION ${corpus}/demo FILES_MATCHING PATTERN "*.wav")
        else()
            file(GLOB sets LIST_DIRECTORIES true ${DEMO}/*)
            foreach(set IN LISTS sets)
                if(NOT IS_DIRECTORY ${set})
                    continue()
                endif()
                file(GLOB_RECURSE names RELATIVE ${set} LIST_DIRECTORIES true ${set}/*)
                list(SORT names)
                set(listing "")
                foreach(name IN LISTS names)
                    if(IS_DIRECTORY ${set}/${name})
                        string(APPEND name "/")
                    endif()
                    string(APPEND listing "${name}\n")
                endforeach()
                get_filename_component(setName ${set} NAME)
                file(WRITE ${corpus}/demo/${setName}.txt "${listing}")
            endforeach()
        endif()
    endif()
    if(CORPUS AND IS_DIRECTORY ${CORPUS})
        file(COPY ${CORPUS}/ DESTINATION ${corpus}/shared
             FILES_MATCHING PATTERN "*.wav" PATTERN "*.WAV")
    endif()
    execute_process(COMMAND ${HARNESS} ${options} -max_total_time=${SECONDS}
                            -max_len=${MAX_LEN} -print_final_stats=1 ${corpus}
                    WORKING_DIRECTORY ${WORK} RESULT_VARIABLE result)
else()
    message(FATAL_ERROR "Unknown MODE ${MODE}")
endif()

if(NOT result EQUAL 0)
    message(FATAL_ERROR "${NAME}: the harness stopped with '${result}'; see above, and ${WORK}")
endif()

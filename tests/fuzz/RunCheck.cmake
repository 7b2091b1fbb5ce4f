# A short fuzz run for ctest: the checked-in corpus, then RUNS mutations of it. libFuzzer
# adds what it finds to the first folder it is given, so that is a fresh one in the build
# tree and the checked-in corpus is only read.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/new ${WORK}/artifacts)
set(dictionary)
if(EXISTS ${DICT})
    set(dictionary -dict=${DICT})
endif()
execute_process(COMMAND ${FUZZER} -runs=${RUNS} -seed=1 -timeout=10 -rss_limit_mb=2048
                        ${dictionary} -artifact_prefix=${WORK}/artifacts/ ${WORK}/new ${CORPUS}
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    file(GLOB found ${WORK}/artifacts/*)
    message(FATAL_ERROR "${FUZZER} failed (${result}); reproducer: ${found}")
endif()

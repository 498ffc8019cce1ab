# Generates a tiny register and runs every benchmark once on it.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
execute_process(COMMAND ${GENERATE} ${WORK}/db1.zaz 300 60 600 1 RESULT_VARIABLE generated)
if(NOT generated EQUAL 0)
    message(FATAL_ERROR "the generator failed: ${generated}")
endif()
set(ENV{ORDISK_BENCH_DB} ${WORK}/db1.zaz)
set(ENV{ORDISK_BENCH_RUNS} 2)
execute_process(COMMAND ${BENCH} --benchmark_min_time=0.001 RESULT_VARIABLE ran OUTPUT_VARIABLE output
                ERROR_VARIABLE errors)
if(NOT ran EQUAL 0)
    message(FATAL_ERROR "the benchmark failed: ${ran}\n${output}\n${errors}")
endif()

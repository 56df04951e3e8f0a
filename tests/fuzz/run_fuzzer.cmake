# Runs one fuzzer for a bounded time from a copy of its seed corpus; a crash
# fails the test and leaves the input in the artifacts folder.
file(MAKE_DIRECTORY ${WORK} ${ARTIFACTS})
file(COPY ${SEED}/ DESTINATION ${WORK})
execute_process(
    COMMAND ${FUZZER} -max_total_time=${SECONDS} -timeout=10 -rss_limit_mb=2048
        -artifact_prefix=${ARTIFACTS} -print_final_stats=1 ${WORK}
    RESULT_VARIABLE status
    OUTPUT_VARIABLE output
    ERROR_VARIABLE output)
string(REGEX MATCH "stat::number_of_executed_units: *[0-9]+" executed "${output}")
message(STATUS "${FUZZER}: ${executed}")
if(NOT status EQUAL 0)
    message("${output}")
    message(FATAL_ERROR "fuzzer failed (status ${status}); inputs kept in ${ARTIFACTS}")
endif()

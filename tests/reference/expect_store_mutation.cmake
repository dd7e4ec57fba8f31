# Runs the comparator on ST1D with the first byte each case stored flipped
# (a mutated store), and checks that it fails and names the region with the
# differing 16-byte line.
execute_process(COMMAND ${COMPARE} --handlers "^VecU64CStore8SIZ$" --cases 8 --inject store
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 1)
  message(FATAL_ERROR "expected exit status 1, got ${rc}\n${out}${err}")
endif()
if(NOT out MATCHES "FAIL VecU64CStore8SIZ: [1-8] of 8 cases differ")
  message(FATAL_ERROR "the mutated store is not reported\n${out}")
endif()
if(NOT out MATCHES "\n  mem: 0x3e[0-9a-f]+: [0-9a-f]+ vs [0-9a-f]+\n")
  message(FATAL_ERROR "the differing region line is missing\n${out}")
endif()

# Runs the comparator on the prefetch forms with z7 of every emulator result
# corrupted, and checks that it fails and names z7 with its first differing
# doubleword.
execute_process(COMMAND ${COMPARE} --family prefetch --cases 2 --inject z7
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 1)
  message(FATAL_ERROR "expected exit status 1, got ${rc}\n${out}${err}")
endif()
if(NOT out MATCHES "FAIL VecU8Prefetch1LSS: 2 of 2 cases differ")
  message(FATAL_ERROR "the failing form is not reported\n${out}")
endif()
if(NOT out MATCHES "\n  z7: d\\[0\\] 0x[0-9a-f]+ vs 0x[0-9a-f]+\n  reproduce: qrx-exec --seed 0x[0-9a-f]+ 0x[0-9a-f]+")
  message(FATAL_ERROR "the corrupted field or the reproduce line is missing\n${out}")
endif()

# Makes the small demo account that the tests of the C interface and of
# "corvane call" export from, replacing one left by an earlier run.
#   cmake -DCLI=path/to/corvane -DDB=path/to/capi_demo.db -P make_demo_account.cmake
file(REMOVE ${DB} ${DB}-wal ${DB}-shm)
execute_process(
  COMMAND ${CLI} erp init --db ${DB} --orders 12 --invoices 4 --stock-bills 4
  RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "corvane erp init failed: ${rc}")
endif()

# The folders' include rules (tests/layout/check.sh).
add_test(NAME layout.includes COMMAND ${CMAKE_CURRENT_LIST_DIR}/check.sh)

# Key tests, the scancode table, the present layout and the display mode choice.
add_executable(shell_program_tests
  key_triggered_test.cpp
  key_code_table_test.cpp
  present_rect_test.cpp
  display_device_test.cpp
  display_mode_test.cpp
  frame_pacer_test.cpp)
target_link_libraries(shell_program_tests PRIVATE shell_program GTest::gtest_main)
gtest_discover_tests(shell_program_tests NO_PRETTY_VALUES)

# The real program under its own Xvfb: window, frames, full screen, closing, failure exits.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
add_test(NAME quilmorante_smoke
         COMMAND Python3::Interpreter ${CMAKE_CURRENT_SOURCE_DIR}/program_smoke_test.py
                 $<TARGET_FILE:quilmorante>)
set_tests_properties(quilmorante_smoke PROPERTIES TIMEOUT 180 RUN_SERIAL TRUE
    SKIP_RETURN_CODE 77)

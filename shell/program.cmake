# The program itself: window, display device, main loop and keyboard on SDL.
find_package(SDL2 REQUIRED)

# The keyboard source and its scancode table, apart from the program so tests can use them.
add_library(shell_keyboard STATIC key_code_table.cpp keyboard.cpp)
target_include_directories(shell_keyboard PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(shell_keyboard PUBLIC editor generator SDL2::SDL2)

add_library(shell_program STATIC
  display_device.cpp
  display_mode.cpp
  frame_driver.cpp
  frame_pacer.cpp
  main_loop.cpp
  program_window.cpp
  window_icon.cpp
  working_directory.cpp)
target_include_directories(shell_program PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(shell_program PUBLIC shell_keyboard shell_canvas editor generator SDL2::SDL2)

add_executable(quilmorante main.cpp)
target_link_libraries(quilmorante PRIVATE shell_program)
# siro.bmp, a.bmp and the save folders must sit beside the executable.
add_dependencies(quilmorante data_files)

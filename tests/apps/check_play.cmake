# qxtool make-fps and play: the sample is what the generator makes, and the scene program runs
# it headless from scripted events.
include(${CMAKE_CURRENT_LIST_DIR}/qxtool_run.cmake)

# The sample in the repository is the generator's output, byte for byte.
run(0 make-fps "${WORK}/Fps.kel")
file(READ "${WORK}/Fps.kel" made)
file(READ "${SAMPLE}" kept)
if(NOT made STREQUAL kept)
  message(FATAL_ERROR "assets/Fps.kel is not what make-fps builds now: run qxtool make-fps assets/Fps.kel")
endif()

# Start from the menu, walk, pause, and leave through "Quit" (relative snapshot paths are the
# caller's). The menu's buttons are laid out for the default 640 x 480 view.
file(WRITE "${WORK}/walk.txt" "# frame event\n0 snap menu.png\n1 click 300 200\n2 keydown W\n20 keyup W\n25 snap walk.png\n30 key Escape\n31 click 300 270\n")
run(0 play "${SAMPLE}" --frames 100 --script "${WORK}/walk.txt")
if(NOT out MATCHES "played 32 frames \\(quit from the menu\\)")
  message(FATAL_ERROR "the run did not end through Quit:\n${out}")
endif()
foreach(picture menu.png walk.png)
  if(NOT EXISTS "${WORK}/${picture}")
    message(FATAL_ERROR "no snapshot ${picture}")
  endif()
endforeach()
run(0 play "${SAMPLE}" --frames 3 --script "2 snap inline.png")
if(NOT EXISTS "${WORK}/inline.png" OR NOT out MATCHES "played 3 frames")
  message(FATAL_ERROR "events given inline did not run:\n${out}")
endif()

# Bad input: each refused with a message and status 1, no snapshot left behind.
run(1 play "${SAMPLE}" --script "1 fly 3 4; 2 snap bad.png")
run(1 play "${SAMPLE}" --script "x click 1 2")
run(1 play "${SAMPLE}" --script "1 key Banana")
run(1 play "${SAMPLE}" --frames 0)
run(1 play "${WORK}/missing.kel")
if(EXISTS "${WORK}/bad.png" OR NOT err MATCHES "missing.kel")
  message(FATAL_ERROR "a refused run left a picture or did not say why:\n${err}")
endif()

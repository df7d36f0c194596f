# The tests' private sound server and the function that adds a test; the
# test folders themselves are listed in the top-level CMakeLists.txt.
find_package(GTest REQUIRED)
include(GoogleTest)

# A private sound server with a null sink, started once for every test that
# needs real sound (playback, recording, the mixer, Live Voice): PulseAudio,
# or PipeWire with its PulseAudio interface. Such tests declare PULSE below;
# they depend on the fixture "pulseaudio" (named after the interface both
# servers serve), get PULSE_SERVER in their environment, carry the label
# "sound", and find the server's script in PARROTEL_SOUND_SERVER_SCRIPT (a
# test that starts a second server of its own, or stops one, uses the same).
if(NOT PARROTEL_CORE_ONLY)  # the core build has no sound tests
  set(PARROTEL_SOUND_SERVER pulseaudio CACHE STRING "The sound tests' private server: pulseaudio or pipewire")
  set_property(CACHE PARROTEL_SOUND_SERVER PROPERTY STRINGS pulseaudio pipewire)
  if(PARROTEL_SOUND_SERVER STREQUAL "pipewire")
    set(PARROTEL_SOUND_SERVER_SCRIPT ${PROJECT_SOURCE_DIR}/scripts/pipewire-null.sh)
  elseif(PARROTEL_SOUND_SERVER STREQUAL "pulseaudio")
    set(PARROTEL_SOUND_SERVER_SCRIPT ${PROJECT_SOURCE_DIR}/scripts/pulse-null.sh)
  else()
    message(FATAL_ERROR "PARROTEL_SOUND_SERVER must be pulseaudio or pipewire, not ${PARROTEL_SOUND_SERVER}")
  endif()
  set(PARROTEL_PULSE_DIR ${CMAKE_BINARY_DIR}/pulse)
  add_test(NAME pulseaudio_start COMMAND bash ${PARROTEL_SOUND_SERVER_SCRIPT} start ${PARROTEL_PULSE_DIR})
  add_test(NAME pulseaudio_stop COMMAND bash ${PARROTEL_SOUND_SERVER_SCRIPT} stop ${PARROTEL_PULSE_DIR})
  set_tests_properties(pulseaudio_start PROPERTIES FIXTURES_SETUP pulseaudio LABELS sound)
  set_tests_properties(pulseaudio_stop PROPERTIES FIXTURES_CLEANUP pulseaudio LABELS sound)
  set(PARROTEL_PULSE_ENV
      "PULSE_SERVER=unix:${PARROTEL_PULSE_DIR}/native"
      "PULSE_COOKIE=${PARROTEL_PULSE_DIR}/cookie"
      "PARROTEL_SOUND_SERVER_SCRIPT=${PARROTEL_SOUND_SERVER_SCRIPT}")
endif()

# Every test carries one or more of the labels
#   unit   no window, no sound server: quick and self-contained
#   gui    widgets on the offscreen Qt platform (or a virtual display)
#   sound  needs the private sound server
#   slow   runs for a minute or more
# so that `ctest -L "unit|gui" -LE "sound|slow"` is the everyday quick run
# (scripts/test.sh --quick). parrotel_add_test gives them; a test added with
# plain add_test names its own.
#
# parrotel_add_test(NAME name SOURCES a.cpp ... LIBS lib ... [GUI] [PULSE])
#   GUI:   runs with the offscreen Qt platform (label gui)
#   PULSE: needs the sound server fixture above (label sound); runs alone,
#          since a busy machine makes the null sink and its monitor drop sound
function(parrotel_add_test)
  cmake_parse_arguments(T "GUI;PULSE" "NAME" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} test_support GTest::gtest GTest::gtest_main GTest::gmock)
  set(env "")
  if(T_GUI)
    list(APPEND env "QT_QPA_PLATFORM=offscreen")
  endif()
  if(T_PULSE)
    list(APPEND env ${PARROTEL_PULSE_ENV})
  endif()
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  set(labels "")
  if(NOT T_GUI AND NOT T_PULSE)
    set(labels unit)
  endif()
  if(T_GUI)
    list(APPEND labels gui)
  endif()
  if(T_PULSE)
    list(APPEND labels sound)
    set_tests_properties(${T_NAME} PROPERTIES FIXTURES_REQUIRED pulseaudio RUN_SERIAL TRUE)
  endif()
  set_tests_properties(${T_NAME} PROPERTIES ENVIRONMENT "${env}" TIMEOUT 600 LABELS "${labels}")
endfunction()
